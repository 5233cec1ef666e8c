#include "ui/panel/frame/panel_access_win.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "ui/access/accessible_win.h"
#include "ui/access/focus_model.h"
#include "ui/access/focus_ring_win.h"
#include "ui/access/published_page.h"
#include "ui/gdi/scale.h"
#include "ui/panel/ai/ai_pieces.h"
#include "ui/panel/app_detail/app_detail_pieces.h"
#include "ui/panel/detail/detail_model.h"
#include "ui/panel/alert_editor/alert_editor_pieces.h"
#include "ui/panel/detail/detail_pieces.h"
#include "ui/panel/frame/panel_actions_win.h"
#include "ui/panel/frame/panel_layout.h"
#include "ui/panel/frame/panel_pieces.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/panel/overview/overview_pieces.h"
#include "ui/panel/settings/settings_layout.h"
#include "ui/panel/settings/settings_pieces.h"

namespace qv {
namespace {

// Kept outside the lent UiState: a reader in another process calls in between messages, and an
// in-process one from inside WM_GETOBJECT, whatever message holds UiState then.
struct PanelAccess {
  HWND window = nullptr;
  PublishedPage page;
  PanelPieces pieces;  // of the last paint, with their actions
  std::unique_ptr<AccessibleServer> server;
  bool focus_first = false;  // the keyboard opened the panel
  // The focused piece was scrolled into view: a field among them is only placed by the paint, and
  // takes the system's focus after it.
  bool apply_after_paint = false;
};
thread_local std::unique_ptr<PanelAccess> t_access;

PanelAccess& access_for(HWND hwnd) {
  if (!t_access || t_access->window != hwnd) {
    t_access = std::make_unique<PanelAccess>();
    t_access->window = hwnd;
    t_access->page.on_request = [hwnd] { PostMessageW(hwnd, kWmAccessRequest, 0, 0); };
    t_access->server = std::make_unique<AccessibleServer>(hwnd, t_access->page);
  }
  return *t_access;
}

void announce(PanelAccess& a) {
  if (a.server) a.server->announce_focus();
}

std::string page_title(const UiState& ui) {
  const PanelState& p = ui.panel;
  switch (p.page) {
    case Page::kOverview: return "Overview";
    case Page::kMetricDetail: return measure_style(p.sub_page).title;
    case Page::kSettingsHome: return "Settings";
    case Page::kSettingsSection:
      return p.sub_page < kSectionTitles.size() ? kSectionTitles[p.sub_page] : "Settings";
    case Page::kAlertEditor: return "New alert";
    case Page::kAppDetail: return p.selected_app ? *p.selected_app : "App";
    case Page::kFpsList: return "FPS";
    case Page::kMessages: return "Messages";
    case Page::kActivity: return "AI activity";
  }
  return "Overview";
}

std::string field_name(const UiState& ui, TextField field) {
  const Page page = ui.panel.page;
  switch (field) {
    case TextField::kFilter:
      if (page == Page::kOverview) return "Find app";
      if (page == Page::kAlertEditor) return "App name";
      if (page == Page::kAppDetail) return "Filter processes";
      return "Filter";
    case TextField::kAlertThreshold: return alert_threshold_field_name(ui.panel.alert_editor);
    case TextField::kAlertLogFile: return "Log file";
    case TextField::kRequest: return "Custom request";
  }
  return "Text";
}

// The panel's field that has the keyboard focus, if any.
std::optional<TextField> focused_field(const UiState& ui) {
  const HWND focus = GetFocus();
  for (size_t i = 0; i < ui.fields.size(); ++i) {
    if (focus && ui.fields[i] == focus) return static_cast<TextField>(i + 1);
  }
  return std::nullopt;
}

// A field that has the system's focus is the focused piece (it was clicked, or a page gave it
// the keyboard on entry).
void follow_field_focus(const UiState& ui, PanelAccess& a) {
  if (const std::optional<TextField> field = focused_field(ui)) {
    focus_key(a.page.current(), a.page.focus(), "field:" + std::to_string(control_id(*field)));
  }
}

// Gives the system's focus to what the model now focuses: its edit control, else the panel.
void apply_focus(const UiState& ui, HWND hwnd, PanelAccess& a) {
  const std::optional<size_t> index = a.page.focused_index();
  if (!index) return;
  const Piece& piece = a.page.current()[*index];
  if (piece.role == AccessRole::kTextField && piece.control_id > 0 &&
      piece.control_id <= static_cast<int32_t>(kTextFieldCount)) {
    HWND field = ui.fields[static_cast<size_t>(piece.control_id - 1)];
    if (!field || !IsWindowVisible(field)) {
      // Scrolled out: the paint that scrolls it in places it, and it takes the focus then; the
      // keys stay with the panel meanwhile, not in the field left behind.
      if (GetFocus() != hwnd) SetFocus(hwnd);
    } else if (GetFocus() != field) {
      SetFocus(field);
      SendMessageW(field, EM_SETSEL, 0, -1);
    }
  } else if (GetFocus() != hwnd) {
    SetFocus(hwnd);
  }
}

// A piece the focus moved to while scrolled out of its list (or partly out) scrolls wholly into
// view; the fields follow on the repaint.
void scroll_focus_into_view(UiState& ui, PanelAccess& a) {
  const std::optional<size_t> index = a.page.focused_index();
  if (!index) return;
  if (const std::optional<int32_t> to = scroll_for_focus(a.page.current()[*index], ui.panel.scroll_max)) {
    ui.panel.scroll_offset = *to;
    a.apply_after_paint = true;
  }
}

void scroll_to(UiState& ui, int32_t offset) {
  ui.panel.scroll_offset = std::clamp(offset, 0, std::max(0, ui.panel.scroll_max));
}

// Home, End, Page Up and Page Down scroll the page's list when they move no focus.
bool scroll_for_key(UiState& ui, HWND hwnd, WPARAM key) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int32_t page = std::max<int32_t>(px(52, ui.ui_scale), (client.bottom - client.top) - px(100, ui.ui_scale));
  switch (key) {
    case VK_HOME: scroll_to(ui, 0); break;
    case VK_END: scroll_to(ui, ui.panel.scroll_max); break;
    case VK_PRIOR: scroll_to(ui, ui.panel.scroll_offset - page); break;
    case VK_NEXT: scroll_to(ui, ui.panel.scroll_offset + page); break;
    default: return false;
  }
  repaint_panel(hwnd);
  return true;
}

// The focused piece's action, when it is not a text field.
std::optional<Action> focused_action(PanelAccess& a) {
  const std::optional<size_t> index = a.page.focused_index();
  if (!index || *index >= a.pieces.actions.size()) return std::nullopt;
  const Action action = a.pieces.actions[*index];
  if (action.kind == ActionKind::kNone || action.kind == ActionKind::kDragMainMetric) return std::nullopt;
  return action;
}

PieceNamer namer_for(const UiState& ui, const std::vector<Banner>& banners) {
  const PanelState& p = ui.panel;
  if (p.page == Page::kOverview) {
    return [&ui, &banners](const Action& action) {
      return overview_piece_text(action, ui.snapshot_copy, ui.panel.filter_text, banners);
    };
  }
  if (p.page == Page::kMetricDetail) {
    // The rows once per paint, not once per piece: a long list has a piece for every row.
    const Snapshot& snap = p.paused && p.frozen_snapshot ? *p.frozen_snapshot : ui.snapshot_copy;
    const uint8_t measure = p.sub_page < kMeasureCount ? p.sub_page : 0;
    return [rows = detail_rows(snap.processes, measure, p.filter_text), measure](const Action& action) {
      return detail_piece_text(action, rows, measure);
    };
  }
  if (p.page == Page::kSettingsHome || p.page == Page::kSettingsSection) {
    return [&ui](const Action& action) {
      return settings_piece_text(action, ui.settings, AutostartShown{ui.autostart_on, ui.autostart_failed});
    };
  }
  if (p.page == Page::kAlertEditor) {
    return [&ui](const Action& action) { return alert_editor_piece_text(action, ui.panel.alert_editor); };
  }
  if (p.page == Page::kAppDetail) {
    // The rows are listed once for all the page's regions.
    std::array<float, kAppSeriesCount> series_max{};
    const AppHistory& h = ui.app_series;
    const HistorySeries* series[kAppSeriesCount] = {&h.fps, &h.cpu, &h.ram, &h.gpu, &h.disk, &h.net};
    for (size_t i = 0; i < kAppSeriesCount; ++i) series_max[i] = series[i]->series_max();
    auto shown = std::make_shared<const AppDetailShown>(app_detail_shown(
        ui.snapshot_copy, p.selected_app.value_or(""), ui.role_labels, p.filter_text, p.process_sort,
        p.processes_expanded, series_max));
    return [shown](const Action& action) { return app_detail_piece_text(action, *shown); };
  }
  if (p.page == Page::kActivity) {
    return [&ui](const Action& action) {
      return activity_piece_text(action, ui.panel.expanded_ai_items, ui.panel.finished_expanded);
    };
  }
  if (p.page == Page::kMessages) {
    return [&ui](const Action& action) { return messages_piece_text(action, ui.messages, ui.panel.expanded_messages); };
  }
  return {};
}

}  // namespace

std::optional<LRESULT> panel_get_object(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  PanelAccess& a = access_for(hwnd);
  if (!a.server) return std::nullopt;  // the window is being destroyed
  return a.server->on_get_object(wparam, lparam);
}

// The slot stays, without a server, so that a reader asking during the rest of the destruction
// does not bring a new object to life for a window that is going.
void drop_panel_access() {
  if (t_access) t_access->server.reset();
}

void publish_panel_page(UiState& ui, HWND hwnd, HDC dc, const std::vector<Banner>& banners,
                        const std::array<std::optional<Rect>, kTextFieldCount>& fields,
                        const ScrolledOutFields& scrolled_out) {
  PanelAccess& a = access_for(hwnd);
  PanelPieces pieces = pieces_from_regions(ui.panel.hit_regions, namer_for(ui, banners));
  for (size_t i = 0; i < fields.size(); ++i) {
    const auto field = static_cast<TextField>(i + 1);
    if (fields[i]) {
      add_text_field(pieces, *fields[i], control_id(field), field_name(ui, field));
    } else if (scrolled_out.places[i]) {
      add_text_field(pieces, *scrolled_out.places[i], control_id(field), field_name(ui, field), scrolled_out.band);
    }
  }
  a.pieces = pieces;
  a.page.publish(page_title(ui), std::move(pieces.pieces));
  follow_field_focus(ui, a);
  if (const std::optional<size_t> index = a.page.focused_index(); index && focus_cues_shown(hwnd)) {
    const Piece& piece = a.page.current()[*index];
    // A text field shows its own caret; a piece scrolled out of view has no place to ring.
    if (piece.role != AccessRole::kTextField && !(piece.state & piece_state::kOffscreen)) {
      draw_focus_ring(dc, piece.region, ui.ui_scale);
    }
  }
  announce(a);
}

void focus_first_piece_on_paint(HWND hwnd) { access_for(hwnd).focus_first = true; }

void after_panel_paint(UiState& ui, HWND hwnd) {
  PanelAccess& a = access_for(hwnd);
  if (std::exchange(a.apply_after_paint, false)) apply_focus(ui, hwnd, a);
  if (!a.focus_first) return;
  a.focus_first = false;
  a.page.focus() = FocusState{};
  if (!move_focus(a.page.current(), a.page.focus(), FocusMove::kNext, 0)) return;
  apply_focus(ui, hwnd, a);
  announce(a);
  repaint_panel(hwnd);
}

bool panel_access_key(UiState& ui, HWND hwnd, WPARAM key) {
  PanelAccess& a = access_for(hwnd);
  if (a.page.current().empty()) return false;
  follow_field_focus(ui, a);
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (control && key == 'F') {
    for (const Piece& piece : a.page.current()) {
      if (piece.control_id != control_id(TextField::kFilter)) continue;
      focus_key(a.page.current(), a.page.focus(), piece.key);
      apply_focus(ui, hwnd, a);
      announce(a);
      return true;
    }
    return false;
  }
  if (const std::optional<FocusMove> move = focus_move_for_key(key, shift)) {
    RECT client{};
    GetClientRect(hwnd, &client);
    show_focus_cues(hwnd);
    if (move_focus(a.page.current(), a.page.focus(), *move, client.bottom - client.top)) {
      scroll_focus_into_view(ui, a);
      apply_focus(ui, hwnd, a);
      announce(a);
      repaint_panel(hwnd);
      return true;
    }
    if (scroll_for_key(ui, hwnd, key)) return true;
    repaint_panel(hwnd);
    return key == VK_TAB;  // Tab with nothing to reach still belongs to the panel
  }
  // Enter in a field does what the button beside it does; that stays with the window procedure.
  if (focused_field(ui)) return false;
  if (key == VK_RETURN || key == VK_SPACE) {
    const std::optional<Action> action = focused_action(a);
    if (!action) return false;
    perform_panel_action(ui, hwnd, *action);
    return true;
  }
  if (key == VK_DELETE) {
    const std::optional<size_t> index = a.page.focused_index();
    if (!index) return false;
    const std::optional<Action> action = delete_action_of_key(a.pieces, a.page.current()[*index].key);
    if (!action) return false;
    perform_panel_action(ui, hwnd, *action);
    return true;
  }
  return false;
}

bool panel_access_char(UiState& ui, HWND hwnd, WPARAM ch) {
  // A space is the key that presses the focused piece, and control characters are keys of their
  // own (Enter, Tab, Escape, Backspace); only a letter, digit or sign starts a search.
  if (ch <= L' ' || ch == 0x7F || GetKeyState(VK_CONTROL) < 0) return false;
  if (ui.panel.page == Page::kAlertEditor || !filter_field_shown(ui.panel)) return false;
  HWND field = ui.field(TextField::kFilter);
  if (!field || !IsWindowVisible(field) || GetFocus() == field) return false;
  PanelAccess& a = access_for(hwnd);
  focus_key(a.page.current(), a.page.focus(), "field:" + std::to_string(control_id(TextField::kFilter)));
  SetFocus(field);
  const LRESULT length = GetWindowTextLengthW(field);
  SendMessageW(field, EM_SETSEL, static_cast<WPARAM>(length), length);
  // Posted: the field's change notice must reach the panel once this message has given its state
  // back, or the filter would not see the letter.
  PostMessageW(field, WM_CHAR, ch, 1);
  announce(a);
  repaint_panel(hwnd);
  return true;
}

void carry_out_access_requests(UiState& ui, HWND hwnd) {
  PanelAccess& a = access_for(hwnd);
  // A reader's focus move is already in the model; the list and the system's focus follow it.
  scroll_focus_into_view(ui, a);
  apply_focus(ui, hwnd, a);
  for (const std::string& key : a.page.take_actions()) {
    // Each press acts on the page it was made on: once a press changed the page, the pieces
    // the later ones name are gone, and they are dropped rather than acted on blindly.
    const std::optional<Action> action = action_of_key(a.pieces, key);
    if (!action || action->kind == ActionKind::kNone) continue;
    const Page page = ui.panel.page;
    const uint8_t sub_page = ui.panel.sub_page;
    perform_panel_action(ui, hwnd, *action);
    if (ui.panel.page != page || ui.panel.sub_page != sub_page) break;
  }
  announce(a);
  repaint_panel(hwnd);
}

}  // namespace qv
