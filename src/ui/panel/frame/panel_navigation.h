#pragma once
// The page model of the panel: navigation between pages and the effect of every click action.
// The decisions live here; everything that touches a window, a file or another thread goes
// through PanelHost, which the window side implements (and tests replace with a recorder).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "ui/panel/frame/hit_test.h"
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
  // Asks once, then ends the processes that still run the app (nothing is asked for no ids).
  virtual void close_processes(const std::string& name, const std::vector<uint32_t>& pids) = 0;

  // Alert rules: SharedState rules from the settings' lines; the default alert log path; the app
  // picker menu at the pointer (the chosen name, or nothing when it was dismissed).
  virtual void rebuild_rules() = 0;
  virtual std::string default_alert_log_path() = 0;
  virtual std::optional<std::string> pick_app(const std::vector<std::string>& names) = 0;

  virtual void update_overlay() = 0;
  virtual void update_widget() = 0;
  virtual void dock_widget() = 0;
  virtual void reset_widget_size() = 0;
};

// Switches to (page, sub_page): saves when leaving the settings, asks for the start-up task when
// entering them, parks the search text while app detail uses the filter field and restores it
// afterwards, and gives the field the focus on the pages that filter with it.
void navigate(PanelState& panel, PanelHost& host, Page page, uint8_t sub_page);

// Where Back goes from the current page.
void go_back(PanelState& panel, PanelHost& host);

// Performs one click action. Indexes outside their lists do nothing. The caller repaints.
void perform_action(PanelState& panel, Settings& settings, PanelHost& host, const Action& action);

// Edit notification of the filter field: the field's text (already cut to 260 UTF-16 units)
// becomes the lower-case filter; the lists that it filters go back to the top.
void filter_text_changed(PanelState& panel, const std::string& field_text);

// One wheel message: whole notches of 120, away from the user scrolls up, `step` pixels each.
void scroll_by_wheel(PanelState& panel, int wheel_delta, int32_t step);

}  // namespace qv
