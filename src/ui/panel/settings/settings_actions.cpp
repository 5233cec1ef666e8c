#include "ui/panel/settings/settings_actions.h"

#include <algorithm>
#include <array>

#include "ui/panel/settings/settings_choices.h"
#include "util/text.h"

namespace qv {
namespace {

constexpr uint32_t kMinIntervalMs = 250;
constexpr uint32_t kMaxIntervalMs = 10000;

bool* tray_flag(Settings& s, uint64_t index) {
  const std::array<bool*, 6> flags = {&s.tray_static, &s.tray_cpu, &s.tray_ram,
                                      &s.tray_disk,   &s.tray_net, &s.tray_fps};
  return index < flags.size() ? flags[index] : nullptr;
}

void toggle_main_metric(Settings& s, uint64_t index) {
  if (index >= s.main_metrics.size()) return;
  MainMetric& metric = s.main_metrics[index];
  if (metric.shown) {
    if (shown_metric_count(s.main_metrics) <= 1) return;  // the overview always keeps one card
  }
  metric.shown = !metric.shown;
}

}  // namespace

bool perform_settings_action(PanelState& panel, Settings& settings, PanelHost& host, const Action& action) {
  const uint64_t index = action.index;
  switch (action.kind) {
    case ActionKind::kToggleNotifyPreset:
      settings.notify_presets ^= action.number;
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kAddCustomRequest: {
      const std::string text(trim(host.field_text(TextField::kRequest)));
      if (text.empty()) break;
      settings.notify_rules.push_back(NotifyRule{true, text});
      host.set_field_text(TextField::kRequest, "");
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    }
    case ActionKind::kToggleCustomRequest:
      if (index >= settings.notify_rules.size()) break;
      settings.notify_rules[index].enabled = !settings.notify_rules[index].enabled;
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kRemoveCustomRequest:
      if (index >= settings.notify_rules.size()) break;
      settings.notify_rules.erase(settings.notify_rules.begin() + static_cast<std::ptrdiff_t>(index));
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kToggleTrayIcon: {
      bool* flag = tray_flag(settings, index);
      if (!flag) break;
      *flag = !*flag;
      if (!settings.tray_static && !settings.tray_cpu && !settings.tray_ram && !settings.tray_disk &&
          !settings.tray_net && !settings.tray_fps) {
        settings.tray_static = true;  // the program must keep one way back into the panel
      }
      host.save_settings();
      host.rebuild_tray_icons();
      break;
    }
    case ActionKind::kSetInterval:
      settings.interval_ms = std::clamp(action.number, kMinIntervalMs, kMaxIntervalMs);
      host.save_settings();
      host.set_sampler_interval(settings.interval_ms);
      break;
    case ActionKind::kSetTextSize:
      if (index >= kTextSizes.size()) break;
      settings.text_size = static_cast<uint32_t>(index);
      host.save_settings();
      host.rebuild_fonts();
      break;
    case ActionKind::kToggleMainMetric:
      if (index >= settings.main_metrics.size()) break;
      toggle_main_metric(settings, index);
      host.save_settings();
      host.fit_panel();
      break;
    case ActionKind::kDragMainMetric:
      if (index < settings.main_metrics.size()) host.start_metric_drag(index);
      break;
    case ActionKind::kToggleFpsOverlay:
      settings.fps_overlay = !settings.fps_overlay;
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kSetFpsColor:
      if (index >= kFpsColours.size()) break;
      settings.fps_color = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kSetFpsOpacity:
      if (index >= kFpsOpacities.size()) break;
      settings.fps_opacity = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_overlay();
      break;
    case ActionKind::kToggleAutostart:
      host.toggle_autostart();
      break;
    case ActionKind::kToggleMcp:
      settings.mcp_enabled = !settings.mcp_enabled;
      host.save_settings();
      host.set_mcp_enabled(settings.mcp_enabled);
      host.fit_panel();  // the banner band comes or goes with the link
      break;
    case ActionKind::kToggleAgentLogFile:
      settings.agent_log_file = trim(settings.agent_log_file).empty() ? host.default_agent_log_path() : std::string();
      host.save_settings();
      host.hand_over_ai_settings();
      break;
    case ActionKind::kCopyConnectCommand:
      host.copy_connect_command();
      panel.copied = true;
      break;
    case ActionKind::kSetTheme:
      if (index >= kThemeNames.size()) break;
      settings.theme = static_cast<uint32_t>(index);
      host.save_settings();
      host.apply_theme();
      break;
    case ActionKind::kToggleWidget:
      settings.widget_on = !settings.widget_on;
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kSetWidgetTheme:
      if (index >= kThemeNames.size()) break;
      settings.widget_theme = static_cast<uint32_t>(index);
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kToggleWidgetBit:
      if (settings.widget_mask == action.number) break;  // the widget keeps one figure
      settings.widget_mask ^= action.number;
      host.save_settings();
      host.update_widget();
      break;
    case ActionKind::kDockWidget:
      host.dock_widget();
      break;
    case ActionKind::kResetWidgetScale:
      settings.widget_scale = 1.0f;
      host.save_settings();
      host.reset_widget_size();
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace qv
