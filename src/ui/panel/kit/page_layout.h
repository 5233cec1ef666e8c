#pragma once
// The pages laid out as lists of pieces without a device context (the settings sections and the
// alert editor): what each draws, where, in which state, and the click regions in drawing
// order. The painter (page_paint_win.h) only draws these items; tests read them to click where
// the program draws. PageBuilder appends the kit's pieces to a view.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"
#include "ui/panel/alert_editor/alert_editor_state.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"
#include "ui/panel/kit/pieces.h"

namespace qv {

enum class FontRole : uint8_t { kBody, kBold, kHeading, kSmall };

// Text widths in pixels, as the painter's fonts measure them.
class RoleTextMeasure {
 public:
  virtual ~RoleTextMeasure() = default;
  virtual int32_t width(FontRole font, std::string_view text) const = 0;
};

enum class ItemKind : uint8_t {
  kHomeRow,     // section row: text = title, detail = subtitle
  kSectionTitle,  // a heading line ("THEME") at (x, y)
  kCheckRow,    // y = the row's line; on = ticked
  kListRow,     // check box, fitted text and remove glyph; rect.right = the row's right edge
  kChip,        // on = selected
  kText,        // text at (x, y) in `font` and `ink`; fitted up to rect.right when fit
  kCommandBox,  // filled box with the fitted command text
  kInputFrame,  // the frame a child text field sits in
  kMetricRow,   // main-metric row: on = shown, alt = the row being dragged, colour = label colour
  kDropBar,     // where a dragged row will land
  kTile,        // alert metric tile: on = selected
  kButton,      // surface box with accent text ("pick ▾")
};

enum class Ink : uint8_t { kText, kDim, kWarning, kAccent, kOwn };

struct PageItem {
  ItemKind kind = ItemKind::kText;
  Rect rect;
  int32_t x = 0;
  int32_t y = 0;
  std::string text;
  std::string detail;
  bool on = false;
  bool alt = false;
  bool fit = false;
  FontRole font = FontRole::kSmall;
  Ink ink = Ink::kText;
  Rgb colour{};
};

// What one paint of a settings page or the editor lays out.
struct PageView {
  std::string title;
  Rgb title_colour = current_theme().accent;
  std::vector<PageItem> items;
  std::vector<HitRegion> regions;  // content regions in drawing order (the band's come separately)
  int32_t list_top = 0;             // where scrolled content may show (below the band)
  int32_t content_height = 0;       // unscrolled height of the content
  int32_t request_field_y = -1;     // AI tools: top of the custom-request row
  int32_t request_field_right = 0;  // and the right end of its frame
  std::optional<int32_t> drag_list_top;  // Main panel: the list top and row height of the drag
  int32_t drag_row_height = 0;
  std::array<std::optional<Rect>, 3> field_frames;  // editor: frames of fields 1, 2 and 3
  // Editor: the frames of those fields scrolled (partly) out of view, which are not placed, but
  // stay in the keyboard's order.
  std::array<std::optional<Rect>, 3> scrolled_out_frames;
};

// Everything a settings page or the editor shows besides the settings.
struct PageInput {
  const Settings* settings = nullptr;
  Page page = Page::kSettingsHome;
  uint8_t sub_page = 0;
  int32_t width = 0;
  int32_t height = 0;
  float scale = 1.0f;
  int32_t scroll_offset = 0;
  bool autostart_on = false;
  bool autostart_failed = false;
  bool copied = false;
  std::string connect_command;
  bool dragging = false;
  size_t drag_index = 0;
  std::optional<int32_t> pointer_y;  // while the pointer is over the panel
  const AlertEditorState* editor = nullptr;
};

// Appends items and their regions; lengths in scaled units through px().
struct PageBuilder {
  const PageInput& in;
  const RoleTextMeasure& measure;
  PageView view;

  int32_t px(double n) const { return qv::px(n, in.scale); }
  int32_t x0() const { return px(12); }
  int32_t w() const { return in.width; }

  void region(const Rect& r, const Action& a, PieceRole role = PieceRole::kNone, std::string_view name = {},
              bool checked = false) {
    view.regions.push_back(HitRegion{r.left, r.top, r.right, r.bottom, a, role, std::string(name), checked, std::nullopt});
  }

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
    region(item.rect, a, PieceRole::kCheckBox, label, ticked);
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
    region(place.remove, remove, PieceRole::kButton, "Remove " + std::string(s));
    region(place.toggle, toggle, PieceRole::kCheckBox, s, ticked);
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
    region(item.rect, a, PieceRole::kButton, s, selected);
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

// Marks every content region with the list's band: content scrolled beneath the title band, or
// past the bottom margin, cannot be clicked there (the band keeps its clicks), yet it stays a
// piece that the keyboard and readers reach.
void clip_to_list(PageBuilder& b);

// The top of a scrolled page's content: below its title band.
int32_t page_band_bottom(float ui_scale);

// The client height that shows all of `view` without scrolling: its content below the band and
// the bottom margin (the margin the scroll limit leaves).
int32_t whole_page_height(const PageView& view, float ui_scale);

}  // namespace qv
