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


// Appends items and their regions; lengths in scaled units through px().
struct Builder {
  const PageInput& in;
  const RoleTextMeasure& measure;
  PageView view;

  int32_t px(double n) const { return qv::px(n, in.scale); }
  int32_t x0() const { return px(12); }
  int32_t w() const { return in.width; }

  void region(const Rect& r, const Action& a) { view.regions.push_back(HitRegion{r.left, r.top, r.right, r.bottom, a}); }

  void text(int32_t x, int32_t y, std::string_view s, FontRole font = FontRole::kSmall, Ink ink = Ink::kDim) {
    PageItem item;
    item.kind = ItemKind::kText;
    item.x = x;
    item.y = y;
    item.text = std::string(s);
    item.font = font;
    item.ink = ink;
    view.items.push_back(std::move(item));
  }
  void fitted(int32_t x, int32_t y, int32_t right, std::string_view s) {
    text(x, y, s);
    view.items.back().fit = true;
    view.items.back().rect = Rect{x, y, right, y + px(18)};
  }
  // A section title; returns where the next piece starts.
  int32_t heading(int32_t y, std::string_view s) {
    const SectionTitlePlace place = section_title_place(x0(), y, in.scale);
    PageItem item;
    item.kind = ItemKind::kSectionTitle;
    item.x = place.text.x;
    item.y = place.text.y;
    item.text = std::string(s);
    view.items.push_back(std::move(item));
    return place.next_y;
  }
  int32_t check_row(int32_t y, std::string_view label, bool ticked, const Action& a) {
    PageItem item;
    item.kind = ItemKind::kCheckRow;
    item.rect = check_row_place(y, w(), in.scale).row;
    item.y = y;
    item.text = std::string(label);
    item.on = ticked;
    view.items.push_back(item);
    region(item.rect, a);
    return y + px(kRowStep);
  }
  int32_t list_row(int32_t y, int32_t right, std::string_view s, bool ticked, const Action& toggle, const Action& remove) {
    const ListRowPlace place = list_row_place(y, right, in.scale);
    PageItem item;
    item.kind = ItemKind::kListRow;
    item.rect = place.row;
    item.y = y;
    item.text = std::string(s);
    item.on = ticked;
    view.items.push_back(item);
    region(place.remove, remove);
    region(place.toggle, toggle);
    return y + px(kRowStep);
  }
  int32_t chip_width(std::string_view s) const { return chip_rect(0, 0, measure.width(FontRole::kSmall, s), in.scale).right; }
  // Returns the x of the next chip.
  int32_t chip(int32_t x, int32_t y, std::string_view s, bool selected, const Action& a) {
    PageItem item;
    item.kind = ItemKind::kChip;
    item.rect = chip_rect(x, y, measure.width(FontRole::kSmall, s), in.scale);
    item.text = std::string(s);
    item.on = selected;
    view.items.push_back(item);
    region(item.rect, a);
    return item.rect.right + px(kChipGap);
  }
  struct ChipSpec {
    std::string text;
    bool selected;
    Action action;
  };
  // A row of chips from x at y that wraps onto further rows px(30) lower instead of running
  // past the right margin. Returns the top of the last row.
  int32_t chips(int32_t x_start, int32_t y, const std::vector<ChipSpec>& list) {
    int32_t x = x_start;
    for (const ChipSpec& c : list) {
      if (x > x_start && x + chip_width(c.text) > w() - x0()) {
        x = x_start;
        y += px(30);
      }
      x = chip(x, y, c.text, c.selected, c.action);
    }
    return y;
  }
  void input_frame(const Rect& r) {
    PageItem item;
    item.kind = ItemKind::kInputFrame;
    item.rect = r;
    view.items.push_back(item);
  }
};

Action act(ActionKind kind, uint64_t index = 0, uint8_t flag = 0, uint32_t number = 0) {
  Action a;
  a.kind = kind;
  a.index = index;
  a.flag = flag;
  a.number = number;
  return a;
}

void home(Builder& b, int32_t y) {
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
    b.region(item.rect, act(ActionKind::kOpenSettingsSection, 0, i));
    y += b.px(50);
  }
  b.view.content_height = y - b.px(6);
}

int32_t general(Builder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.check_row(y, "Start with Windows (as administrator)", b.in.autostart_on, act(ActionKind::kToggleAutostart));
  if (b.in.autostart_failed) {
    b.text(b.x0() + b.px(26), y, "Needs administrator — run the app as admin once", FontRole::kSmall, Ink::kWarning);
    y += b.px(18);
  }
  y = b.heading(y + b.px(10), "HOW OFTEN TO UPDATE");
  for (const Labelled& r : kIntervals) {
    y = b.check_row(y, r.label, s.interval_ms == r.value, act(ActionKind::kSetInterval, 0, 0, r.value));
  }
  y = b.heading(y + b.px(10), "THEME");
  std::vector<Builder::ChipSpec> themes;
  for (uint32_t i = 0; i < kThemeNames.size(); ++i) {
    themes.push_back({kThemeNames[i], std::min<uint32_t>(s.theme, 2) == i, act(ActionKind::kSetTheme, i)});
  }
  int32_t chip_top = b.chips(b.x0(), y, themes);
  y = b.heading(chip_top + b.px(24) + b.px(10) + b.px(6), "TEXT SIZE");
  std::vector<Builder::ChipSpec> sizes;
  for (uint32_t i = 0; i < kTextSizes.size(); ++i) sizes.push_back({kTextSizes[i], s.text_size == i, act(ActionKind::kSetTextSize, i)});
  chip_top = b.chips(b.x0(), y, sizes);
  const int32_t note_y = chip_top + b.px(24) + b.px(4);
  b.text(b.x0(), note_y, "Scales the whole panel, on top of Windows' own scaling");
  return note_y + b.px(18);
}

int32_t ai_tools(Builder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.check_row(y, "Allow AI tools to connect", s.mcp_enabled, act(ActionKind::kToggleMcp));
  b.text(b.x0() + b.px(26), y, "Read these stats and send you messages");
  if (!s.mcp_enabled) return y + b.px(18);

  const int32_t x2 = b.x0() + b.px(26);
  const int32_t y2 = y + b.px(18) + b.px(6);
  const int32_t right = b.w() - b.px(12);
  b.text(x2, y2, "Connect it in Claude Code (run this once):");
  const char* copy = b.in.copied ? "Copied" : "Copy";
  b.chip(right - b.chip_width(copy), y2 - b.px(3), copy, b.in.copied, act(ActionKind::kCopyConnectCommand));
  PageItem box;
  box.kind = ItemKind::kCommandBox;
  box.rect = Rect{x2, y2 + b.px(20), right, y2 + b.px(42)};
  box.x = x2 + b.px(8);
  box.y = y2 + b.px(24);
  box.text = b.in.connect_command;
  b.view.items.push_back(box);

  y = b.heading(y2 + b.px(20) + b.px(30) + b.px(10), "NOTIFY ME WHEN");
  for (const Labelled& p : kPresets) {
    y = b.check_row(y, p.label, (s.notify_presets & p.value) != 0, act(ActionKind::kToggleNotifyPreset, 0, 0, p.value));
  }
  y = b.heading(y + b.px(12), "CUSTOM AI REQUESTS");
  for (size_t i = 0; i < s.notify_rules.size(); ++i) {
    y = b.list_row(y, b.w(), s.notify_rules[i].text, s.notify_rules[i].enabled, act(ActionKind::kToggleCustomRequest, i),
                   act(ActionKind::kRemoveCustomRequest, i));
  }
  y += b.px(6);
  const int32_t frame_right = b.w() - b.x0() - b.px(6) - b.measure.width(FontRole::kSmall, "add") - b.px(16);
  b.input_frame(Rect{b.x0(), y, frame_right, y + b.px(24)});
  b.view.request_field_y = y;
  b.view.request_field_right = frame_right;
  b.chip(frame_right + b.px(6), y, "add", true, act(ActionKind::kAddCustomRequest));

  y += b.px(24) + b.px(6);
  b.text(b.x0(), y, "You may need to inform your AI tool such as");
  b.text(b.x0(), y + b.px(15), "Claude Code to recheck any new notifications");
  b.text(b.x0(), y + b.px(15) + b.px(15), "that are added.");
  y += b.px(15) + b.px(15) + b.px(20) + b.px(10);

  y = b.heading(y, "AGENT HISTORY");
  const bool saving = !trim(s.agent_log_file).empty();
  y = b.check_row(y, "Also save finished agents to a file", saving, act(ActionKind::kToggleAgentLogFile));
  if (saving) {
    b.fitted(x2, y, b.w() - b.x0(), s.agent_log_file);
    y += b.px(18);
  }
  return y;
}

int32_t main_panel(Builder& b, int32_t top) {
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
    b.region(Rect{b.x0(), y - b.px(2), b.x0() + b.px(20), y + b.px(20)}, act(ActionKind::kDragMainMetric, i));
    b.region(Rect{b.x0() + b.px(22), y - b.px(2), b.w() - b.x0(), y + b.px(20)}, act(ActionKind::kToggleMainMetric, i));
    y += step;
  }
  y += b.px(6);
  b.text(b.x0(), y, "Drag ≡ to reorder");
  return y + b.px(18);
}

int32_t desktop_extras(Builder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  y = b.heading(y, "TASKBAR WIDGET");
  y = b.check_row(y, "Show a strip of live stats on screen", s.widget_on, act(ActionKind::kToggleWidget));
  std::vector<Builder::ChipSpec> items;
  for (const Labelled& it : kWidgetItems) {
    items.push_back({it.label, (s.widget_mask & it.value) != 0, act(ActionKind::kToggleWidgetBit, 0, 0, it.value)});
  }
  int32_t chip_top = b.chips(b.x0(), y, items);
  chip_top = b.chips(b.x0(), chip_top + b.px(6) + b.px(24),
                     {{"move next to the clock", false, act(ActionKind::kDockWidget)},
                      {"reset size", false, act(ActionKind::kResetWidgetScale)}});
  y = b.heading(chip_top + b.px(24) + b.px(12), "WIDGET THEME");
  std::vector<Builder::ChipSpec> themes;
  for (uint32_t i = 0; i < kThemeNames.size(); ++i) themes.push_back({kThemeNames[i], std::min<uint32_t>(s.widget_theme, 2) == i, act(ActionKind::kSetWidgetTheme, i)});
  chip_top = b.chips(b.x0(), y, themes);

  y = b.heading(chip_top + b.px(24) + b.px(10) + b.px(6), "FRAME RATE COUNTER");
  const int32_t y3 = b.check_row(y, "Show a floating frame rate counter", s.fps_overlay, act(ActionKind::kToggleFpsOverlay));
  b.text(b.x0(), y3 + b.px(4), "color");
  std::vector<Builder::ChipSpec> colours_list;
  for (uint32_t i = 0; i < kFpsColours.size(); ++i) colours_list.push_back({kFpsColours[i], s.fps_color == i, act(ActionKind::kSetFpsColor, i)});
  const int32_t colour_top = b.chips(b.x0() + b.px(50), y3, colours_list);
  const int32_t y4 = colour_top + b.px(6) + b.px(24);
  b.text(b.x0(), y4 + b.px(4), "opacity");
  std::vector<Builder::ChipSpec> opacities;
  for (uint32_t i = 0; i < kFpsOpacities.size(); ++i) opacities.push_back({kFpsOpacities[i], s.fps_opacity == i, act(ActionKind::kSetFpsOpacity, i)});
  const int32_t opacity_top = b.chips(b.x0() + b.px(50), y4, opacities);

  y = b.heading(opacity_top + b.px(24) + b.px(10) + b.px(6), "TASKBAR TRAY ICONS");
  const std::array<bool, 6> tray = {s.tray_static, s.tray_cpu, s.tray_ram, s.tray_disk, s.tray_net, s.tray_fps};
  for (size_t i = 0; i < kTrayRows.size(); ++i) y = b.check_row(y, kTrayRows[i], tray[i], act(ActionKind::kToggleTrayIcon, i));
  return y;
}

int32_t alerts(Builder& b, int32_t y) {
  const Settings& s = *b.in.settings;
  b.text(b.x0(), y, "Each alert chooses its own delivery.");
  y += b.px(22);
  for (size_t i = 0; i < s.log.size(); ++i) {
    const std::optional<AlertRule> rule = parse_rule(s.log[i]);
    y = b.list_row(y, b.w(), describe_rule(s.log[i]), rule && rule->enabled, act(ActionKind::kToggleAlertRule, i),
                   act(ActionKind::kRemoveAlertRule, i));
  }
  y += b.px(6);
  b.chip(b.x0(), y, "+ new alert", false, act(ActionKind::kNewAlert));
  return y + b.px(24);
}

// One labelled row of the editor: the label in the left column, returns where its content starts.
int32_t editor_label(Builder& b, int32_t y, std::string_view label) {
  b.text(b.x0(), y + b.px(5), label);
  return b.x0() + b.px(66);
}

// Returns the bottom of the last row.
int32_t editor(Builder& b, int32_t y) {
  static const AlertEditorState kDefaults;
  const AlertEditorState& e = b.in.editor ? *b.in.editor : kDefaults;
  const int32_t x0 = b.x0();
  const int32_t right = b.w() - x0;
  const int32_t row = b.px(30);
  y = b.heading(y, "ALERT ME WHEN");

  const int32_t gap = b.px(6);
  const int32_t column = (right - x0 - gap) / 2;
  for (size_t i = 0; i < kAlertTiles.size(); ++i) {
    const int32_t left = x0 + static_cast<int32_t>(i % 2) * (column + gap);
    const int32_t top = y + static_cast<int32_t>(i / 2) * b.px(24);
    PageItem tile;
    tile.kind = ItemKind::kTile;
    tile.rect = Rect{left, top, left + column, top + b.px(20)};
    tile.text = kAlertTiles[i].label;
    tile.on = e.metric == i;
    b.view.items.push_back(tile);
    b.region(tile.rect, act(ActionKind::kAlertMetric, i));
  }
  y += 4 * b.px(24) + b.px(6);

  int32_t x = editor_label(b, y, "goes");
  x = b.chip(x, y, "above", e.above, act(ActionKind::kAlertAbove, 0, 1));
  b.chip(x, y, "below", !e.above, act(ActionKind::kAlertAbove, 0, 0));
  y += row;

  const bool app = e.metric == kAppTile;
  if (app) {
    x = editor_label(b, y, "app");
    const Rect frame{x, y, right - b.px(52), y + b.px(24)};
    b.input_frame(frame);
    b.view.field_frames[0] = frame;
    PageItem pick;
    pick.kind = ItemKind::kButton;
    pick.rect = Rect{frame.right + b.px(6), y, right, y + b.px(24)};
    pick.text = "pick ▾";
    b.view.items.push_back(pick);
    b.region(pick.rect, act(ActionKind::kAlertAppPicker));
    y += row;
    std::vector<Builder::ChipSpec> measures;
    for (size_t i = 0; i < kAppMeasureChips.size(); ++i) {
      measures.push_back({kAppMeasureChips[i].label, e.measure == i, act(ActionKind::kAlertMeasure, i)});
    }
    y = b.chips(editor_label(b, y, "measuring"), y, measures) + row;
  }

  x = editor_label(b, y, "reaches");
  const Rect threshold{x, y, x0 + b.px(144), y + b.px(24)};
  b.input_frame(threshold);
  b.view.field_frames[1] = threshold;
  if (!app) b.text(threshold.right + b.px(6), y + b.px(4), kAlertTiles[std::min<uint8_t>(e.metric, kAppTile)].unit,
                   FontRole::kBody, Ink::kDim);
  y += row;

  std::vector<Builder::ChipSpec> deliveries;
  for (size_t i = 0; i < kDeliveryChips.size(); ++i) deliveries.push_back({kDeliveryChips[i], e.delivery == i, act(ActionKind::kAlertDelivery, i)});
  y = b.chips(editor_label(b, y, "deliver by"), y, deliveries) + row;

  if (e.delivery == 1 || e.delivery == 2) {
    x = editor_label(b, y, "log file");
    const Rect frame{x, y, right, y + b.px(24)};
    b.input_frame(frame);
    b.view.field_frames[2] = frame;
    y += row;
  }

  const std::string cooldown = std::string("at most every ") + kCooldownChoices[std::min<size_t>(e.cooldown, 2)].label;
  y = b.chips(x0, y, {{"include top apps", e.include_top, act(ActionKind::kAlertIncludeTop)},
                      {cooldown, false, act(ActionKind::kAlertCooldown)}}) + row;
  if (e.path_rejected) {
    b.text(x0, y, "That log file path cannot be used — change it to save", FontRole::kSmall, Ink::kWarning);
    y += b.px(20);
  }
  y = b.chips(x0, y, {{"save alert", true, act(ActionKind::kAlertSave)}, {"cancel", false, act(ActionKind::kAlertCancel)}});
  return y + b.px(24);
}

// Content scrolled beneath the band, or past the bottom margin, cannot be clicked there: the band
// keeps its clicks and nothing hidden answers.
void clip_to_list(Builder& b) {
  const int32_t top = b.px(12) + b.px(40);
  const int32_t bottom = b.in.height - b.px(12);
  std::vector<HitRegion> kept;
  for (HitRegion r : b.view.regions) {
    r.top = std::max(r.top, top);
    r.bottom = std::min(r.bottom, bottom);
    if (r.top < r.bottom) kept.push_back(r);
  }
  b.view.regions = std::move(kept);
}

}  // namespace

PageView layout_settings_page(const PageInput& in, const RoleTextMeasure& measure) {
  Builder b{in, measure, {}};
  if (!in.settings) return std::move(b.view);
  const int32_t band_bottom = b.px(12) + b.px(50);
  if (in.page == Page::kAlertEditor) {
    // The editor scrolls beneath its band like the sections: in a short pop-up "save alert" is
    // reached with the wheel. A field whose frame is not wholly in view is not placed.
    b.view.title = "New alert";
    b.view.title_colour = colours::alerts;
    b.view.list_top = band_bottom;
    const int32_t top = band_bottom - in.scroll_offset;
    b.view.content_height = editor(b, top) - top;
    clip_to_list(b);
    for (std::optional<Rect>& frame : b.view.field_frames) {
      if (frame && (frame->top < band_bottom || frame->bottom > in.height - b.px(12))) frame.reset();
    }
    return std::move(b.view);
  }
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
