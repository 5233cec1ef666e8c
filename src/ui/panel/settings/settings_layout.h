#pragma once
// Layout of the settings pages and the alert editor, worked out without a device context: what
// each page draws, where, in which state, and the click regions in drawing order. The painter
// only draws these items; tests read them to click where the program draws.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"
#include "ui/panel/alert_editor/alert_editor.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

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
  Rgb title_colour = colours::accent;
  std::vector<PageItem> items;
  std::vector<HitRegion> regions;  // content regions in drawing order (the band's come separately)
  int32_t list_top = 0;             // where scrolled content may show (below the band)
  int32_t content_height = 0;       // unscrolled height of the content
  int32_t request_field_y = -1;     // AI tools: top of the custom-request row
  int32_t request_field_right = 0;  // and the right end of its frame
  std::optional<int32_t> drag_list_top;  // Main panel: the list top and row height of the drag
  int32_t drag_row_height = 0;
  std::array<std::optional<Rect>, 3> field_frames;  // editor: frames of fields 1, 2 and 3
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

inline constexpr std::array<const char*, 5> kSectionTitles = {"General", "AI tools", "Main panel", "Desktop extras",
                                                              "Alerts"};

// Pages 2 (home), 3 (sections 0..4) and 4 (editor); an empty view for any other page.
PageView layout_settings_page(const PageInput& in, const RoleTextMeasure& measure);

}  // namespace qv
