// The panel's WM_PAINT: draw the page into an off-screen bitmap, copy it in one transfer (no
// flicker, no separate erase), then place the four text fields where the page drew their frames.
#include "ui/panel/frame/panel_paint_win.h"

#include <array>
#include <mutex>
#include <optional>

#include "core/clock.h"
#include "procinfo/pid_cache.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/scale.h"
#include "ui/panel/kit/pieces.h"
#include "ui/panel/alert_editor/alert_editor_layout.h"
#include "ui/panel/app_detail/app_detail_model.h"
#include "ui/panel/kit/page_paint_win.h"
#include "ui/panel/overview/overview_model.h"
#include "ui/panel/frame/panel_access_win.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/settings/settings_paint_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "util/handles_win.h"

namespace qv {
namespace {

const char* filter_cue_text(Page page) {
  switch (page) {
    case Page::kOverview: return "Search for an app…";
    case Page::kMetricDetail: return "Filter this list…";
    case Page::kAlertEditor: return "App name, for example chrome.exe";
    case Page::kAppDetail: return "Filter processes…";
    default: return nullptr;
  }
}

// What app detail needs beyond the snapshot: its six series and, while its process list is
// open, the role labels of the app's processes (read once per pid, then cached).
AppDetailInput app_detail_input(UiState& ui) {
  AppDetailInput in;
  const AppHistory& h = ui.app_series;
  const HistorySeries* series[kAppSeriesCount] = {&h.fps, &h.cpu, &h.ram, &h.gpu, &h.disk, &h.net};
  for (size_t i = 0; i < kAppSeriesCount; ++i) {
    in.series[i] = series[i]->ring();
    in.series_max[i] = series[i]->series_max();
  }
  const PanelState& p = ui.panel;
  if (p.page == Page::kAppDetail && p.processes_expanded && p.selected_app) {
    forget_departed_pids(ui.role_labels, ui.snapshot_copy.processes);  // a reused pid gets a fresh label
    for (const ProcessSample& proc : ui.snapshot_copy.processes) {
      if (proc.name == *p.selected_app) role_label(proc.pid, ui.role_labels);
    }
  } else {
    ui.role_labels.clear();  // a pid may change hands while the list is not shown
  }
  in.roles = &ui.role_labels;
  return in;
}

// App detail's field layout: whether the frame-rate tile shows (it moves the process section)
// and the row of the process filter, when the section is there and open.
struct AppDetailFields {
  bool fps_tile = false;
  std::optional<int32_t> filter_row;
};
AppDetailFields app_detail_fields(const UiState& ui, const AppDetailInput& in) {
  AppDetailFields f;
  const PanelState& p = ui.panel;
  if (p.page != Page::kAppDetail || !p.selected_app) return f;
  const Snapshot& snap = ui.snapshot_copy;
  f.fps_tile = shows_fps_tile(snap, *p.selected_app, in.series_max[static_cast<size_t>(AppSeries::kFps)]);
  if (p.processes_expanded && app_process_count(snap, *p.selected_app) >= 2) {
    f.filter_row = process_section_place(f.fps_tile ? 6 : 5, ui.ui_scale).filter_row;
  }
  return f;
}

OverviewInput overview_input(const UiState& ui) {
  OverviewInput in;
  in.settings = &ui.settings;
  in.snapshot = &ui.snapshot_copy;
  const OverviewHistory& h = ui.overview_series;
  const HistorySeries* series[kOverviewSeriesCount] = {&h.cpu, &h.mem, &h.gpu, &h.fps, &h.disk, &h.net, &h.sound};
  for (size_t i = 0; i < kOverviewSeriesCount; ++i) {
    in.series[i] = series[i]->ring();
    in.series_max[i] = series[i]->series_max();
  }
  if (ui.settings.mcp_enabled) {
    AgentCounts agents;
    const uint64_t now = unix_now_ms();
    {
      std::lock_guard<std::mutex> lock(ui.shared->agent_sessions_mutex);
      agents = count_agents(ui.shared->agent_sessions, 0, now);
    }
    {
      std::lock_guard<std::mutex> lock(ui.shared->agent_history_mutex);
      agents.finished = ui.shared->agent_history.size();
    }
    in.banners = ai_banners(true, ui.messages.size(), agents);
  }
  return in;
}

// Copies of what the AI pages show, each list taken under its own lock and released at once.
// Only those two pages pay for the copy.
std::optional<AiPagesInput> ai_pages_input(const UiState& ui) {
  const auto page = static_cast<Page>(ui.panel.page);
  if (page != Page::kActivity && page != Page::kMessages) return std::nullopt;
  AiPagesInput in;
  in.messages = &ui.messages;
  in.now_ms = unix_now_ms();
  in.local_clock = make_local_clock();
  if (page == Page::kActivity) {
    {
      std::lock_guard<std::mutex> lock(ui.shared->agent_sessions_mutex);
      in.sessions = ui.shared->agent_sessions;
    }
    std::lock_guard<std::mutex> lock(ui.shared->agent_history_mutex);
    in.history = ui.shared->agent_history;
  }
  return in;
}

PageInput page_input(const UiState& ui, int32_t width, int32_t height) {
  PageInput in;
  in.settings = &ui.settings;
  in.page = ui.panel.page;
  in.sub_page = ui.panel.sub_page;
  in.width = width;
  in.height = height;
  in.scale = ui.ui_scale;
  in.scroll_offset = ui.panel.scroll_offset;
  in.autostart_on = ui.autostart_on;
  in.autostart_failed = ui.autostart_failed;
  in.copied = ui.panel.copied;
  if (ui.panel.page == Page::kSettingsSection && ui.panel.sub_page == 1) {
    in.connect_command = own_connect_command();
  }
  in.dragging = ui.dragging;
  in.drag_index = ui.drag_index;
  if (ui.panel.hover_valid) in.pointer_y = ui.panel.hover_y;
  in.editor = &ui.panel.alert_editor;
  return in;
}

// The client height the page's first screen needs: app detail down to its first process row, the
// alert editor down to "save alert". A short pop-up grows to it where the work area allows, so
// that these are reached without scrolling; 0 on the other pages.
int32_t first_screen_height(UiState& ui, HWND hwnd, const AppDetailFields& app, int32_t width, int32_t height) {
  const PanelState& p = ui.panel;
  if (p.page == Page::kAppDetail && p.selected_app) {
    return app_detail_first_screen(app.fps_tile ? 6 : 5, app_process_count(ui.snapshot_copy, *p.selected_app),
                                   p.processes_expanded, ui.ui_scale);
  }
  if (p.page != Page::kAlertEditor) return 0;
  HDC dc = GetDC(hwnd);
  if (!dc) return 0;
  const GdiMeasure measure(dc, ui.fonts);
  const int32_t h = whole_page_height(layout_alert_editor(page_input(ui, width, height), measure), ui.ui_scale);
  ReleaseDC(hwnd, dc);
  return h;
}

// Where each of the four fields goes on the page just painted, or nothing where the page has no
// such field: the one place that decides it, from the same layout the painter drew.
std::array<std::optional<Rect>, kTextFieldCount> field_places(const UiState& ui, const PageView& view, int32_t width,
                                                              int32_t height, std::optional<int32_t> process_filter_row) {
  std::array<std::optional<Rect>, kTextFieldCount> places;
  const PanelState& p = ui.panel;
  std::optional<Rect>& filter = places[field_slot(TextField::kFilter)];
  filter = filter_field_rect(p.page, width, ui.ui_scale);
  if (process_filter_row) {
    // App detail scrolls as a page: the field follows its row, and is not placed while the row
    // is not wholly between the title band and the bottom margin.
    const int32_t row = *process_filter_row - p.scroll_offset;
    const Rect frame = process_filter_frame(row, width, ui.ui_scale);
    const bool in_view = frame.top >= px(12, ui.ui_scale) + px(50, ui.ui_scale) && frame.bottom <= height - px(12, ui.ui_scale);
    filter = in_view ? std::optional(process_filter_field_rect(row, width, ui.ui_scale)) : std::nullopt;
  }
  if (p.page == Page::kAlertEditor) {
    for (size_t i = 0; i < view.field_frames.size(); ++i) {
      if (view.field_frames[i]) places[i] = field_in_frame(*view.field_frames[i], false, ui.ui_scale);
    }
  }
  places[field_slot(TextField::kRequest)] =
      request_field_rect(p, ui.settings.mcp_enabled, p.request_field_right, height, ui.ui_scale);
  return places;
}

// The editor's fields scrolled out of view, by the frames they would stand in: not placed, but
// still in the keyboard's order, so that Tab scrolls to them.
ScrolledOutFields scrolled_out_fields(const UiState& ui, const PageView& view, int32_t height) {
  ScrolledOutFields out;
  if (ui.panel.page != Page::kAlertEditor) return out;
  out.band = ScrollBand{view.list_top, height - px(12, ui.ui_scale), ui.panel.scroll_offset};
  for (size_t i = 0; i < view.scrolled_out_frames.size(); ++i) {
    // The whole frame: the field is placed once its frame is wholly in view.
    out.places[i] = view.scrolled_out_frames[i];
  }
  return out;
}

// Moves, shows and hides the fields to match `places`, touching only what changed: a field that
// keeps its place is never hidden and shown again, which would take the keyboard focus from it.
// A focused field that goes away hands the focus to the panel, so typed keys are not lost in a
// hidden window.
void place_fields(UiState& ui, const std::array<std::optional<Rect>, kTextFieldCount>& places) {
  const HWND focused = GetFocus();
  for (size_t i = 0; i < places.size(); ++i) {
    HWND field = ui.fields[i];
    if (!field) continue;
    if (!places[i]) {
      if (IsWindowVisible(field)) ShowWindow(field, SW_HIDE);
      if (focused == field) SetFocus(ui.window ? ui.window : GetParent(field));
      continue;
    }
    const Rect& want = *places[i];
    RECT now{};
    GetWindowRect(field, &now);
    MapWindowPoints(nullptr, GetParent(field), reinterpret_cast<POINT*>(&now), 2);
    if (now.left != want.left || now.top != want.top || now.right != want.right || now.bottom != want.bottom) {
      MoveWindow(field, want.left, want.top, want.width(), want.height(), TRUE);
    }
    if (!IsWindowVisible(field)) ShowWindow(field, SW_SHOW);
  }
}

}  // namespace

void paint_panel(UiState& ui, HWND hwnd) {
  ensure_text_fields(ui);
  const AppDetailInput app = app_detail_input(ui);
  const AppDetailFields app_fields = app_detail_fields(ui, app);
  RECT client{};
  GetClientRect(hwnd, &client);
  // The pop-up takes the page's size before it is painted, so no frame shows the page cut short.
  const std::optional<SizeKey> sized_for = ui.size_key;
  ui.first_screen = first_screen_height(ui, hwnd, app_fields, client.right - client.left, client.bottom - client.top);
  fit_panel(ui, hwnd);
  if (ui.size_key != sized_for) {
    repaint_panel(hwnd);  // all of it, not only what the resize uncovered
    GetClientRect(hwnd, &client);
  }
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd, &ps);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;

  ui.panel.request_field_y = -1;
  LayoutKey key = make_layout_key(ui.panel, false, app_fields.fps_tile, width, height);
  key.processes_expanded = app_fields.filter_row.has_value();  // a section that went away hides the field
  const bool entered = !ui.panel.layout_key || ui.panel.layout_key->key != key.key;
  if (ui.panel.layout_key != key) {
    ui.panel.layout_key = key;
    if (const char* cue = filter_cue_text(ui.panel.page)) set_cue_text(ui.field(TextField::kFilter), cue);
  }

  PageView view;
  {
    // Without a bitmap (out of memory) the page is drawn straight to the window.
    HDC mem = ui.back_buffer.prepare(dc, width, height);
    HDC target = mem ? mem : dc;
    const std::optional<AiPagesInput> ai = ai_pages_input(ui);
    const PageInput settings_in = page_input(ui, width, height);
    const OverviewInput overview = overview_input(ui);
    view = paint_page(PanelCanvas{target, width, height, ui.ui_scale, &ui.fonts, &ui.panel}, overview, app,
                      ai ? &*ai : nullptr, &settings_in);
    publish_panel_page(ui, hwnd, target, overview.banners,
                       field_places(ui, view, width, height, app_fields.filter_row),
                       scrolled_out_fields(ui, view, height));
    if (mem) BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    EndPaint(hwnd, &ps);
  }
  if (view.drag_list_top) {
    // The drag of the window procedure drops by these rows.
    ui.drag_list_top = *view.drag_list_top;
    ui.drag_row_height = view.drag_row_height;
  }
  const auto places = field_places(ui, view, width, height, app_fields.filter_row);
  place_fields(ui, places);
  // A page is entered with the keyboard at the panel, so that Tab starts at its first piece; a
  // field takes it only when asked (a click into it, Ctrl+F, a letter typed on the page).
  if (entered && ui.visible) {
    for (HWND field : ui.fields) {
      if (field && GetFocus() == field) SetFocus(hwnd);
    }
  }
  after_panel_paint(ui, hwnd);
}

}  // namespace qv
