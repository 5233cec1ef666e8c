// The panel window's side of clicks, navigation, filter edits and wheel turns: the page model
// decides, and this host carries its decisions out on the window, the files and the shared state.
#include "ui/panel/frame/panel_actions_win.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "agents/agent_log_win.h"
#include "agents/instructions.h"
#include "config/settings_file_win.h"
#include "rules/rule_text.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/ai/activity_model.h"
#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/settings/settings_paint_win.h"
#include "ui/overlay/overlay_win.h"
#include "ui/panel/frame/panel_navigation.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/widget/widget_win.h"
#include "util/program_log_win.h"
#include "util/startup_task_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

class WindowPanelHost : public PanelHost {
 public:
  WindowPanelHost(UiState& ui, HWND hwnd) : ui_(ui), hwnd_(hwnd) {}

  void save_settings() override { qv::save_settings(ui_.settings); }
  void hand_over_ai_settings() override {
    std::string instructions = build_instructions(ui_.settings);
    {
      std::lock_guard<std::mutex> lock(ui_.shared->instructions_mutex);
      ui_.shared->instructions = std::move(instructions);
    }
    std::lock_guard<std::mutex> lock(ui_.shared->agent_log_file_mutex);
    ui_.shared->agent_log_file = ui_.settings.agent_log_file;
  }
  void set_sampler_interval(uint32_t ms) override { ui_.shared->interval_ms.store(ms); }
  void set_mcp_enabled(bool on) override { ui_.shared->mcp_enabled.store(on); }

  void query_autostart() override { qv::query_autostart(ui_); }
  void toggle_autostart() override {
    const bool before = ui_.autostart_on;
    const bool ok = before ? delete_startup_tasks() : create_startup_task();
    ui_.autostart_on = query_startup_task();
    ui_.autostart_failed = !ok || ui_.autostart_on == before;
  }

  std::string field_text(TextField field) override {
    HWND f = ui_.field(field);
    if (!f) return {};
    return field == TextField::kFilter ? get_field_text_bounded(f) : get_field_text(f);
  }
  void set_field_text(TextField field, const std::string& text) override {
    if (HWND f = ui_.field(field)) qv::set_field_text(f, text);
  }
  void focus_field(TextField field) override {
    if (HWND f = ui_.field(field)) SetFocus(f);
  }

  void set_pinned(bool pinned) override { qv::set_pinned(ui_, hwnd_, pinned); }
  void hide_panel() override { qv::hide_panel(ui_, hwnd_); }
  void apply_on_top() override { qv::apply_on_top(ui_, hwnd_); }
  void fit_panel() override { qv::fit_panel(ui_, hwnd_); }
  void rebuild_fonts() override {
    qv::rebuild_fonts(ui_);
    // Every length changes with the scale: lay the fields out again and resize the pop-up now
    // rather than at the next change of its content.
    ui_.panel.layout_key.reset();
    ui_.size_key.reset();
    qv::fit_panel(ui_, hwnd_);
  }
  void apply_theme() override { qv::apply_theme(ui_); }
  void rebuild_tray_icons() override { qv::rebuild_tray_icons(ui_); }
  void start_metric_drag(size_t index) override {
    ui_.dragging = true;
    ui_.drag_index = index;
    SetCapture(hwnd_);
  }
  void restart_app_series() override { qv::restart_app_series(ui_); }
  void copy_connect_command() override { copy_to_clipboard(hwnd_, own_connect_command()); }
  std::string default_agent_log_path() override { return qv::default_agent_log_path(); }
  void clear_messages() override { ui_.messages.clear(); }
  void clear_agents() override {
    std::lock_guard<std::mutex> lock(ui_.shared->agent_sessions_mutex);
    clear_active_agents(ui_.shared->agent_sessions);
  }
  void clear_finished_agents() override {
    std::lock_guard<std::mutex> lock(ui_.shared->agent_history_mutex);
    qv::clear_finished_agents(ui_.shared->agent_history);
  }
  Snapshot current_snapshot() override { return ui_.snapshot_copy; }
  void close_processes(const std::string& name, const std::vector<uint32_t>& pids) override {
    if (pids.empty()) return;
    ui_.pending_close = CloseRequest{name, pids};
    ui_.after_message = AfterMessage::kCloseQuestion;
  }

  void rebuild_rules() override {
    std::vector<AlertRule> rules = parse_rule_lines(ui_.settings.log);
    std::lock_guard<std::mutex> lock(ui_.shared->rules_mutex);
    ui_.shared->rules = std::move(rules);
  }
  std::string default_alert_log_path() override {
    const auto dir = local_app_data_dir();
    return alert_log_path_for(dir ? utf8_if_valid(std::u16string(dir->begin(), dir->end())) : std::nullopt);
  }
  void offer_apps(const std::vector<std::string>& names) override {
    ui_.pending_picker = names;
    ui_.after_message = AfterMessage::kAppPicker;
  }

  // A changed widget or overlay setting shows at once, not only on the next sample.
  void update_overlay() override { qv::update_overlay(ui_); }
  void update_widget() override { qv::update_widget(ui_, mem_pct(ui_.snapshot_copy)); }
  void dock_widget() override { move_widget_next_to_clock(ui_); }
  void reset_widget_size() override { set_widget_scale(ui_.widget, ui_.settings.widget_scale); }

 private:
  UiState& ui_;
  HWND hwnd_;
};

}  // namespace

void query_autostart(UiState& ui) {
  ui.autostart_on = query_startup_task();
  ui.autostart_failed = false;
}

void perform_panel_action(UiState& ui, HWND hwnd, const Action& action) {
  WindowPanelHost host(ui, hwnd);
  perform_action(ui.panel, ui.settings, host, action);
  repaint_panel(hwnd);
}

void navigate(UiState& ui, HWND hwnd, Page page, uint8_t sub_page) {
  WindowPanelHost host(ui, hwnd);
  navigate(ui.panel, host, page, sub_page);
  repaint_panel(hwnd);
}

void go_back(UiState& ui, HWND hwnd) {
  WindowPanelHost host(ui, hwnd);
  go_back(ui.panel, host);
  repaint_panel(hwnd);
}

void on_filter_field_changed(UiState& ui, HWND hwnd) {
  filter_text_changed(ui.panel, get_field_text_bounded(ui.field(TextField::kFilter)));
  repaint_panel(hwnd);
}

void scroll_by_wheel(UiState& ui, HWND hwnd, int wheel_delta) {
  scroll_by_wheel(ui.panel, wheel_delta, px(52, ui.ui_scale));
  repaint_panel(hwnd);
}

}  // namespace qv
