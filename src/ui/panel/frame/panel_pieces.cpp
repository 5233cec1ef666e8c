#include "ui/panel/frame/panel_pieces.h"

#include <utility>

#include "ui/access/focus_model.h"

namespace qv {
namespace {

std::string generic_key(const Action& a) {
  return "action:" + std::to_string(static_cast<int>(a.kind)) + ":" + std::to_string(a.flag) + ":" +
         std::to_string(a.number) + ":" + std::to_string(a.index);
}

std::string unique_key(const std::vector<Piece>& pieces, const std::string& key) {
  auto taken = [&](const std::string& k) {
    for (const Piece& p : pieces) {
      if (p.key == k) return true;
    }
    return false;
  };
  if (!taken(key)) return key;
  for (int n = 2;; ++n) {
    std::string candidate = key + "#" + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

const char* default_action_of(AccessRole role, bool checked) {
  switch (role) {
    case AccessRole::kCheckBox: return checked ? "Uncheck" : "Check";
    case AccessRole::kListItem:
    case AccessRole::kLink: return "Open";
    case AccessRole::kRadioButton: return "Select";
    case AccessRole::kText:
    case AccessRole::kTextField: return "";
    case AccessRole::kPushButton: break;
  }
  return "Press";
}

void replace_all(std::string& s, std::string_view from, std::string_view to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

// The name of a piece that neither its room nor the kit names, from what it shows on every page
// that has it; empty for the few whose text changes with the page.
std::string fixed_name(const Action& a) {
  switch (a.kind) {
    case ActionKind::kHidePanel: return "Close";
    case ActionKind::kClearMessages:
    case ActionKind::kClearFinishedAgents: return "clear";
    case ActionKind::kToggleProcesses: return "Processes";
    case ActionKind::kCloseProcess: return "End process " + std::to_string(a.number);
    case ActionKind::kToggleMessage: return "Message " + std::to_string(a.index + 1);
    case ActionKind::kToggleActivityItem: return "Agent";
    case ActionKind::kToggleActivityView: return "Finished agents";
    case ActionKind::kOpenFpsList: return "FPS";
    case ActionKind::kOpenMessages: return "Messages";
    case ActionKind::kOpenActivity: return "AI activity";
    case ActionKind::kAlertAppPicker: return "Pick a running app";
    default: return "";
  }
}

}  // namespace

std::string spoken(std::string_view text) {
  std::string s(text);
  replace_all(s, "  ·  ", ", ");
  replace_all(s, "%", " percent");
  replace_all(s, "↓ ", "down ");
  replace_all(s, "↑ ", "up ");
  return s;
}

PanelPieces pieces_from_regions(const std::vector<HitRegion>& regions, const PieceNamer& namer) {
  PanelPieces out;
  for (const HitRegion& r : regions) {
    const bool inert = r.action.kind == ActionKind::kNone;
    std::optional<PieceText> text = namer ? namer(r.action) : std::nullopt;
    if (inert && !text) continue;
    Piece p;
    p.region = Rect{r.left, r.top, r.right, r.bottom};
    p.band = r.band;
    if (p.band && shown_region(p).height() <= 0) p.state |= piece_state::kOffscreen;
    bool checked = false;
    std::optional<bool> expanded;
    std::optional<Action> on_delete;
    if (r.action.kind == ActionKind::kOpenAppRow) on_delete = make_action(ActionKind::kCloseAppRow, r.action.index);
    if (text) {
      p.key = std::move(text->key);
      p.name = text->name.empty() ? r.name : std::move(text->name);
      p.role = text->role;
      p.group = std::move(text->group);
      checked = text->checked;
      expanded = text->expanded;
      if (text->on_delete) on_delete = text->on_delete;
      if (!text->focusable) p.state &= ~piece_state::kFocusable;
      if (checked) p.state |= p.role == AccessRole::kCheckBox ? piece_state::kChecked : piece_state::kSelected;
      if (expanded) p.state |= *expanded ? piece_state::kExpanded : piece_state::kCollapsed;
    } else {
      p.key = generic_key(r.action);
      p.name = r.name.empty() ? fixed_name(r.action) : r.name;
      checked = r.checked;
      if (r.role == PieceRole::kCheckBox) {
        p.role = AccessRole::kCheckBox;
        if (checked) p.state |= piece_state::kChecked;
      } else if (checked) {
        p.state |= piece_state::kSelected;  // the chosen chip, the link whose mode is on
      }
    }
    if (r.action.kind == ActionKind::kDragMainMetric) {
      p.role = AccessRole::kText;
      p.state &= ~piece_state::kFocusable;
    }
    if (expanded) {
      p.default_action = *expanded ? "Collapse" : "Expand";
    } else if (!inert && r.action.kind != ActionKind::kDragMainMetric) {
      p.default_action = default_action_of(p.role, checked);
    }
    p.key = unique_key(out.pieces, p.key);
    out.pieces.push_back(std::move(p));
    out.actions.push_back(r.action);
    out.on_delete.push_back(on_delete);
  }
  return out;
}

void add_text_field(PanelPieces& out, const Rect& region, int32_t control_id, std::string name,
                    std::optional<ScrollBand> band) {
  Piece p;
  p.key = unique_key(out.pieces, "field:" + std::to_string(control_id));
  p.region = region;
  p.band = band;
  if (band && shown_region(p).height() <= 0) p.state |= piece_state::kOffscreen;
  p.name = std::move(name);
  p.role = AccessRole::kTextField;
  p.control_id = control_id;
  out.pieces.push_back(std::move(p));
  out.actions.push_back(Action{});
  out.on_delete.push_back(std::nullopt);
}

std::optional<Action> action_of_key(const PanelPieces& pieces, const std::string& key) {
  for (size_t i = 0; i < pieces.pieces.size() && i < pieces.actions.size(); ++i) {
    if (pieces.pieces[i].key == key) return pieces.actions[i];
  }
  return std::nullopt;
}

std::optional<Action> delete_action_of_key(const PanelPieces& pieces, const std::string& key) {
  for (size_t i = 0; i < pieces.pieces.size() && i < pieces.on_delete.size(); ++i) {
    if (pieces.pieces[i].key == key) return pieces.on_delete[i];
  }
  return std::nullopt;
}

}  // namespace qv
