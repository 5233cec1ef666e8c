#pragma once
// What the panel's page models ask of the window side: everything that touches a window, a file
// or another thread. The window implements it; tests replace it with a recorder.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

class PanelHost {
 public:
  virtual ~PanelHost() = default;

  virtual void save_settings() = 0;
  virtual void hand_over_ai_settings() = 0;  // instructions text and agent log to the pipe side
  virtual void set_sampler_interval(uint32_t ms) = 0;
  virtual void set_mcp_enabled(bool on) = 0;

  virtual void query_autostart() = 0;  // re-reads whether the start-up task exists; clears its error
  // Creates or deletes the task, queries it again and sets the error flag when the call failed
  // or the answer did not change.
  virtual void toggle_autostart() = 0;

  virtual std::string field_text(TextField field) = 0;
  virtual void set_field_text(TextField field, const std::string& text) = 0;
  virtual void focus_field(TextField field) = 0;

  virtual void set_pinned(bool pinned) = 0;  // stores, saves and switches the window mode
  virtual void hide_panel() = 0;
  virtual void apply_on_top() = 0;
  virtual void fit_panel() = 0;
  virtual void rebuild_fonts() = 0;  // text_size changed: new ui_scale and fonts
  virtual void apply_theme() = 0;    // theme changed: current theme and the field brush
  virtual void rebuild_tray_icons() = 0;
  virtual void start_metric_drag(size_t index) = 0;
  virtual void restart_app_series() = 0;
  virtual void copy_connect_command() = 0;
  virtual std::string default_agent_log_path() = 0;
  virtual void clear_messages() = 0;  // the panel's list of AI-tool messages
  virtual void clear_agents() = 0;           // every session's active agents (the history stays)
  virtual void clear_finished_agents() = 0;  // the finished history (the active agents stay)
  virtual Snapshot current_snapshot() = 0;
  // Asks once, then ends the processes that still run the app (nothing is asked for no ids). The
  // question is a message box with its own message loop: it is asked once the click was handled.
  virtual void close_processes(const std::string& name, const std::vector<uint32_t>& pids) = 0;

  // Alert rules: SharedState rules from the settings' lines; the default alert log path; the app
  // picker menu at the pointer, opened once the click was handled (see AlertHost::offer_apps).
  virtual void rebuild_rules() = 0;
  virtual std::string default_alert_log_path() = 0;
  virtual void offer_apps(const std::vector<std::string>& names) = 0;

  virtual void update_overlay() = 0;
  virtual void update_widget() = 0;
  virtual void dock_widget() = 0;
  virtual void reset_widget_size() = 0;
};

}  // namespace qv
