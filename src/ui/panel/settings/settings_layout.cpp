#include "ui/panel/settings/settings_layout.h"

#include <algorithm>

#include "rules/rule_text.h"
#include "ui/gdi/scale.h"
#include "ui/panel/frame/panel_geometry.h"
#include "ui/panel/kit/pieces.h"
#include "ui/panel/settings/settings_choices.h"
#include "util/text.h"

namespace qv {
namespace {


struct Labelled {
  const char* label;
  uint32_t value;
};
constexpr std::array<Labelled, 3> kIntervals = {{{"Every half second — most responsive", 500},
                                                 {"Every second — recommended", 1000},
                                                 {"Every two seconds — lightest on your PC", 2000}}};
constexpr std::array<Labelled, 4> kPresets = {{{"A build or long task finishes", 1},
                                               {"Something errors or fails", 2},
                                               {"It needs my input to continue", 4},
                                               {"Every step of note (verbose)", 8}}};
constexpr std::array<Labelled, 7> kWidgetItems = {
    {{"CPU", 1}, {"RAM", 2}, {"GPU", 32}, {"FPS", 16}, {"disk", 8}, {"net", 4}, {"AI", 64}}};
constexpr std::array<const char*, 6> kTrayRows = {"App icon", "CPU %", "RAM %", "Disk activity", "Network speed", "FPS"};



void home(PageBuilder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  for (uint8_t i = 0; i < kSectionTitles.size(); ++i) {
    PageItem item;
    item.kind = ItemKind::kHomeRow;
    item.rect = Rect{b.x0(), y, b.w() - b.x0(), y + b.px(44)};
    item.y = y;
    item.text = kSectionTitles[i];
    static constexpr std::array<const char*, 4> kSubtitles = {"Start-up, update rate, theme, text size",
                                                              "Connection, notifications, history",
                                                              "Which metrics, what order",
                                                              "Taskbar strip, FPS counter, tray"};
    item.detail = i < kSubtitles.size() ? std::string(kSubtitles[i]) : rule_count_text(s.log.size());
    b.view.items.push_back(item);
    b.region(item.rect, make_action(ActionKind::kOpenSettingsSection, 0, i));
    y += b.px(50);
  }
  b.view.content_height = y - b.px(6);
}

int32_t general(PageBuilder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.check_row(y, kAutostartLabel, b.in.autostart_on, make_action(ActionKind::kToggleAutostart));
  if (b.in.autostart_failed) {
    b.text(b.x0() + b.px(26), y, kAutostartWarning, FontRole::kSmall, Ink::kWarning);
    y += b.px(18);
  }
  y = b.heading(y + b.px(10), "HOW OFTEN TO UPDATE");
  for (const Labelled& r : kIntervals) {
    y = b.check_row(y, r.label, s.interval_ms == r.value, make_action(ActionKind::kSetInterval, 0, 0, r.value));
  }
  y = b.heading(y + b.px(10), "THEME");
  std::vector<PageBuilder::ChipSpec> themes;
  for (uint32_t i = 0; i < kThemeNames.size(); ++i) {
    themes.push_back({kThemeNames[i], std::min<uint32_t>(s.theme, 2) == i, make_action(ActionKind::kSetTheme, i)});
  }
  int32_t chip_top = b.chips(b.x0(), y, themes);
  y = b.heading(chip_top + b.px(24) + b.px(10) + b.px(6), "TEXT SIZE");
  std::vector<PageBuilder::ChipSpec> sizes;
  for (uint32_t i = 0; i < kTextSizes.size(); ++i) sizes.push_back({kTextSizes[i], s.text_size == i, make_action(ActionKind::kSetTextSize, i)});
  chip_top = b.chips(b.x0(), y, sizes);
  const int32_t note_y = chip_top + b.px(24) + b.px(4);
  b.text(b.x0(), note_y, "Scales the whole panel, on top of Windows' own scaling");
  return note_y + b.px(18);
}

int32_t ai_tools(PageBuilder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.check_row(y, "Allow AI tools to connect", s.mcp_enabled, make_action(ActionKind::kToggleMcp));
  b.text(b.x0() + b.px(26), y, "Read these stats and send you messages");
  if (!s.mcp_enabled) return y + b.px(18);

  const int32_t x2 = b.x0() + b.px(26);
  const int32_t y2 = y + b.px(18) + b.px(6);
  const int32_t right = b.w() - b.px(12);
  b.text(x2, y2, "Connect it in Claude Code (run this once):");
  const char* copy = b.in.copied ? "Copied" : "Copy";
  b.chip(right - b.chip_width(copy), y2 - b.px(3), copy, b.in.copied, make_action(ActionKind::kCopyConnectCommand));
  PageItem box;
  box.kind = ItemKind::kCommandBox;
  box.rect = Rect{x2, y2 + b.px(20), right, y2 + b.px(42)};
  box.x = x2 + b.px(8);
  box.y = y2 + b.px(24);
  box.text = b.in.connect_command;
  b.view.items.push_back(box);

  y = b.heading(y2 + b.px(20) + b.px(30) + b.px(10), "NOTIFY ME WHEN");
  for (const Labelled& p : kPresets) {
    y = b.check_row(y, p.label, (s.notify_presets & p.value) != 0, make_action(ActionKind::kToggleNotifyPreset, 0, 0, p.value));
  }
  y = b.heading(y + b.px(12), "CUSTOM AI REQUESTS");
  for (size_t i = 0; i < s.notify_rules.size(); ++i) {
    y = b.list_row(y, b.w(), s.notify_rules[i].text, s.notify_rules[i].enabled, make_action(ActionKind::kToggleCustomRequest, i),
                   make_action(ActionKind::kRemoveCustomRequest, i));
  }
  y += b.px(6);
  const int32_t frame_right = b.w() - b.x0() - b.px(6) - b.measure.width(FontRole::kSmall, "add") - b.px(16);
  b.input_frame(Rect{b.x0(), y, frame_right, y + b.px(24)});
  b.view.request_field_y = y;
  b.view.request_field_right = frame_right;
  b.chip(frame_right + b.px(6), y, "add", true, make_action(ActionKind::kAddCustomRequest));

  y += b.px(24) + b.px(6);
  b.text(b.x0(), y, "You may need to inform your AI tool such as");
  b.text(b.x0(), y + b.px(15), "Claude Code to recheck any new notifications");
  b.text(b.x0(), y + b.px(15) + b.px(15), "that are added.");
  y += b.px(15) + b.px(15) + b.px(20) + b.px(10);

  y = b.heading(y, "AGENT HISTORY");
  const bool saving = !trim(s.agent_log_file).empty();
  y = b.check_row(y, "Also save finished agents to a file", saving, make_action(ActionKind::kToggleAgentLogFile));
  if (saving) {
    b.fitted(x2, y, b.w() - b.x0(), s.agent_log_file);
    y += b.px(18);
  }
  return y;
}

int32_t main_panel(PageBuilder& b, int32_t top) {
  const Settings& s = *b.in.settings;
  const size_t rows = s.main_metrics.size();
  const int32_t step = b.px(24);
  b.view.drag_list_top = top;
  b.view.drag_row_height = step;
  const bool dragging = b.in.dragging && b.in.drag_index < rows;
  std::optional<size_t> slot;
  if (dragging && b.in.pointer_y) slot = drag_target_row(*b.in.pointer_y, top, step, rows);
  int32_t y = top;
  for (size_t i = 0; i < rows; ++i) {
    const MetricStyle style = metric_style(s.main_metrics[i].name);
    PageItem row;
    row.kind = ItemKind::kMetricRow;
    row.rect = Rect{b.x0(), y - b.px(2), b.w() - b.x0(), y + b.px(20)};
    row.x = b.x0();
    row.y = y;
    row.text = style.label;
    row.on = s.main_metrics[i].shown;
    row.alt = dragging && i == b.in.drag_index;
    row.colour = style.colour;
    b.view.items.push_back(row);
    if (slot && *slot == i && i != b.in.drag_index) {
      PageItem bar;
      bar.kind = ItemKind::kDropBar;
      const int32_t bar_y = b.in.drag_index >= i ? y - b.px(2) : y + b.px(20);
      bar.rect = Rect{b.x0(), bar_y, b.w() - b.x0(), bar_y + b.px(2)};
      b.view.items.push_back(bar);
    }
    b.region(Rect{b.x0(), y - b.px(2), b.x0() + b.px(20), y + b.px(20)}, make_action(ActionKind::kDragMainMetric, i));
    b.region(Rect{b.x0() + b.px(22), y - b.px(2), b.w() - b.x0(), y + b.px(20)}, make_action(ActionKind::kToggleMainMetric, i));
    y += step;
  }
  y += b.px(6);
  b.text(b.x0(), y, "Drag ≡ to reorder");
  return y + b.px(18);
}

int32_t desktop_extras(PageBuilder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.heading(y, "TASKBAR WIDGET");
  y = b.check_row(y, "Show a strip of live stats on screen", s.widget_on, make_action(ActionKind::kToggleWidget));
  std::vector<PageBuilder::ChipSpec> items;
  for (const Labelled& it : kWidgetItems) {
    items.push_back({it.label, (s.widget_mask & it.value) != 0, make_action(ActionKind::kToggleWidgetBit, 0, 0, it.value)});
  }
  int32_t chip_top = b.chips(b.x0(), y, items);
  chip_top = b.chips(b.x0(), chip_top + b.px(6) + b.px(24),
                     {{"move next to the clock", false, make_action(ActionKind::kDockWidget)},
                      {"reset size", false, make_action(ActionKind::kResetWidgetScale)}});
  y = b.heading(chip_top + b.px(24) + b.px(12), "WIDGET THEME");
  std::vector<PageBuilder::ChipSpec> themes;
  for (uint32_t i = 0; i < kThemeNames.size(); ++i) themes.push_back({kThemeNames[i], std::min<uint32_t>(s.widget_theme, 2) == i, make_action(ActionKind::kSetWidgetTheme, i)});
  chip_top = b.chips(b.x0(), y, themes);

  y = b.heading(chip_top + b.px(24) + b.px(10) + b.px(6), "FRAME RATE COUNTER");
  const int32_t y3 = b.check_row(y, "Show a floating frame rate counter", s.fps_overlay, make_action(ActionKind::kToggleFpsOverlay));
  b.text(b.x0(), y3 + b.px(4), "color");
  std::vector<PageBuilder::ChipSpec> colours_list;
  for (uint32_t i = 0; i < kFpsColours.size(); ++i) colours_list.push_back({kFpsColours[i], s.fps_color == i, make_action(ActionKind::kSetFpsColor, i)});
  const int32_t colour_top = b.chips(b.x0() + b.px(50), y3, colours_list);
  const int32_t y4 = colour_top + b.px(6) + b.px(24);
  b.text(b.x0(), y4 + b.px(4), "opacity");
  std::vector<PageBuilder::ChipSpec> opacities;
  for (uint32_t i = 0; i < kFpsOpacities.size(); ++i) opacities.push_back({kFpsOpacities[i], s.fps_opacity == i, make_action(ActionKind::kSetFpsOpacity, i)});
  const int32_t opacity_top = b.chips(b.x0() + b.px(50), y4, opacities);

  y = b.heading(opacity_top + b.px(24) + b.px(10) + b.px(6), "TASKBAR TRAY ICONS");
  const std::array<bool, 6> tray = {s.tray_static, s.tray_cpu, s.tray_ram, s.tray_disk, s.tray_net, s.tray_fps};
  for (size_t i = 0; i < kTrayRows.size(); ++i) y = b.check_row(y, kTrayRows[i], tray[i], make_action(ActionKind::kToggleTrayIcon, i));
  return y;
}

int32_t alerts(PageBuilder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  b.text(b.x0(), y, "Each alert chooses its own delivery.");
  y += b.px(22);
  for (size_t i = 0; i < s.log.size(); ++i) {
    const std::optional<AlertRule> rule = parse_rule(s.log[i]);
    y = b.list_row(y, b.w(), describe_rule(s.log[i]), rule && rule->enabled, make_action(ActionKind::kToggleAlertRule, i),
                   make_action(ActionKind::kRemoveAlertRule, i));
  }
  y += b.px(6);
  b.chip(b.x0(), y, "+ new alert", false, make_action(ActionKind::kNewAlert));
  return y + b.px(24);
}


}  // namespace

std::string rule_count_text(size_t rules) {
  return rules == 1 ? std::string("1 rule") : std::to_string(rules) + " rules";
}

PageView layout_settings_page(const PageInput& in, const RoleTextMeasure& measure) {
  PageBuilder b{in, measure, {}};
  if (!in.settings) return std::move(b.view);
  const int32_t band_bottom = page_band_bottom(in.scale);
  if (in.page != Page::kSettingsHome && in.page != Page::kSettingsSection) return std::move(b.view);
  b.view.list_top = band_bottom;
  const int32_t top = band_bottom - in.scroll_offset;
  if (in.page == Page::kSettingsHome) {
    b.view.title = "Settings";
    home(b, top);
    b.view.content_height -= top;
    clip_to_list(b);
    return std::move(b.view);
  }
  b.view.title = in.sub_page < kSectionTitles.size() ? kSectionTitles[in.sub_page] : "Settings";
  int32_t end = top;
  switch (in.sub_page) {
    case 0: end = general(b, top); break;
    case 1: end = ai_tools(b, top); break;
    case 2: end = main_panel(b, top); break;
    case 3: end = desktop_extras(b, top); break;
    case 4: end = alerts(b, top); break;
    default: break;
  }
  b.view.content_height = end - top;
  clip_to_list(b);
  return std::move(b.view);
}

}  // namespace qv
