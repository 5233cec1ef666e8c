#include "ui/gdi/draw_win.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

#include "ui/gdi/scale.h"
#include "ui/gdi/text_layout.h"
#include "util/handles_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

void delete_font(HFONT& font) {
  if (font) DeleteObject(font);
  font = nullptr;
}

// Width of UTF-8 text in the font already selected into the device context.
int selected_width(HDC dc, std::string_view text) {
  const std::wstring w = widen(text);
  SIZE size{};
  if (w.empty() || !GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size)) return 0;
  return size.cx;
}

void draw_polyline(HDC dc, const POINT* points, int count, int pen_width, Rgb colour) {
  UniqueGdiObject pen(CreatePen(PS_SOLID, pen_width < 1 ? 1 : pen_width, colorref(colour)));
  SelectGuard keep(dc, pen.get());
  Polyline(dc, points, count);
}

// A single-line edit keeps Escape, Enter and Tab to itself (and beeps), so the window that owns
// the field would never see them while the field has the focus. The field hands them to its
// parent instead, which reads the focus to know which field they came from.
// The edit's own procedure is kept in the field's user data (plain window subclassing: the
// common-controls helpers would load their library at start-up for this alone).
bool forwarded_key(WPARAM key) { return key == VK_ESCAPE || key == VK_RETURN || key == VK_TAB; }

LRESULT CALLBACK forward_keys(HWND field, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_KEYDOWN && forwarded_key(wparam)) {
    SendMessageW(GetParent(field), WM_KEYDOWN, wparam, lparam);
    return 0;
  }
  if (msg == WM_CHAR && forwarded_key(wparam)) return 0;
  const auto edit_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(field, GWLP_USERDATA));
  return edit_proc ? CallWindowProcW(edit_proc, field, msg, wparam, lparam) : DefWindowProcW(field, msg, wparam, lparam);
}

void draw_three(HDC dc, const std::array<Point, 3>& p, int pen_width, Rgb colour) {
  const POINT points[3] = {{p[0].x, p[0].y}, {p[1].x, p[1].y}, {p[2].x, p[2].y}};
  draw_polyline(dc, points, 3, pen_width, colour);
}

}  // namespace

FontSet::FontSet(FontSet&& other) noexcept
    : body(std::exchange(other.body, nullptr)),
      bold(std::exchange(other.bold, nullptr)),
      heading(std::exchange(other.heading, nullptr)),
      small(std::exchange(other.small, nullptr)) {}

FontSet& FontSet::operator=(FontSet&& other) noexcept {
  if (this != &other) {
    delete_font_set(*this);
    body = std::exchange(other.body, nullptr);
    bold = std::exchange(other.bold, nullptr);
    heading = std::exchange(other.heading, nullptr);
    small = std::exchange(other.small, nullptr);
  }
  return *this;
}

FontSet::~FontSet() { delete_font_set(*this); }

HFONT create_font(int size_px, int weight) {
  return CreateFontW(-size_px, 0, 0, 0, weight, FALSE, FALSE, FALSE, 0, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
}

FontSet create_font_set(float ui_scale) {
  FontSet fonts;
  fonts.body = create_font(px(14, ui_scale), FW_NORMAL);
  fonts.bold = create_font(px(14, ui_scale), FW_BOLD);
  fonts.heading = create_font(px(12, ui_scale), FW_BOLD);
  fonts.small = create_font(px(11, ui_scale), FW_NORMAL);
  return fonts;
}

void delete_font_set(FontSet& fonts) {
  delete_font(fonts.body);
  delete_font(fonts.bold);
  delete_font(fonts.heading);
  delete_font(fonts.small);
}

void draw_text(HDC dc, int x, int y, HFONT font, Rgb colour, std::string_view text) {
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colorref(colour));
  const std::wstring w = widen(text);
  TextOutW(dc, x, y, w.c_str(), static_cast<int>(w.size()));
}

int text_width(HDC dc, HFONT font, std::string_view text) {
  SelectObject(dc, font);
  return selected_width(dc, text);
}

bool char_advances(HDC dc, HFONT font, char32_t first, size_t count, int32_t* out) {
  constexpr size_t kMost = 64;
  if (count == 0 || count > kMost || first + count > 0xD800) return false;
  SelectObject(dc, font);
  wchar_t chars[kMost];
  WORD glyphs[kMost];
  INT widths[kMost];
  for (size_t i = 0; i < count; ++i) chars[i] = static_cast<wchar_t>(first + i);
  const int n = static_cast<int>(count);
  if (GetGlyphIndicesW(dc, chars, n, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return false;
  if (!GetCharWidth32W(dc, static_cast<UINT>(first), static_cast<UINT>(first + count - 1), widths)) return false;
  for (size_t i = 0; i < count; ++i) out[i] = glyphs[i] == 0xFFFF ? -1 : widths[i];
  return true;
}

std::vector<std::string> wrap_text(HDC dc, HFONT font, int max_width, std::string_view text) {
  SelectObject(dc, font);
  return wrap_lines(text, max_width, [dc](std::string_view run) { return selected_width(dc, run); });
}

void draw_wrapped(HDC dc, int x, int y, int max_width, int line_height, HFONT font, Rgb colour,
                  std::string_view text) {
  int line_y = y;
  for (const std::string& line : wrap_text(dc, font, max_width, text)) {
    draw_text(dc, x, line_y, font, colour, line);
    line_y += line_height;
  }
}

void draw_text_fit(HDC dc, int x, int y, int right, const std::vector<HFONT>& fonts, Rgb colour,
                   std::string_view text) {
  if (fonts.empty()) return;
  FittedText fitted = fit_text(text, right - x, fonts.size(), [&](size_t font, std::string_view run) {
    return text_width(dc, fonts[font], run);
  });
  draw_text(dc, x, y, fonts[fitted.font_index], colour, fitted.text);
}

void draw_chevron(HDC dc, int cx, int cy, int size, int pen_width, Rgb colour, bool points_left) {
  draw_three(dc, chevron_points(cx, cy, size, points_left), pen_width, colour);
}

void draw_fold_chevron(HDC dc, int cx, int cy, int size, int pen_width, Rgb colour, bool open) {
  draw_three(dc, fold_chevron_points(cx, cy, size, open), pen_width, colour);
}

void draw_sparkline(HDC dc, const Rect& rect, const SampleRing& ring, float full_scale, Rgb colour) {
  const std::vector<Point> points = sparkline_points(rect, ring, full_scale);
  if (points.size() < 2) return;
  std::vector<POINT> win(points.size());
  for (size_t i = 0; i < points.size(); ++i) win[i] = POINT{points[i].x, points[i].y};
  draw_polyline(dc, win.data(), static_cast<int>(win.size()), 1, colour);
}

void fill_rect(HDC dc, const Rect& rect, Rgb colour) {
  // The device context's own brush takes the colour: no brush is made and freed for each of the
  // many rectangles of a paint.
  SetDCBrushColor(dc, colorref(colour));
  const RECT r = to_rect(rect);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void draw_input_frame(HDC dc, const Rect& rect) {
  const Theme& theme = current_theme();
  fill_rect(dc, rect, theme.border);
  fill_rect(dc, Rect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, theme.input);
}

void draw_meter(HDC dc, const Rect& rect, float fraction, Rgb colour) {
  fill_rect(dc, rect, current_theme().track);
  const int32_t right = meter_fill_right(rect, fraction);
  if (right > rect.left) fill_rect(dc, Rect{rect.left, rect.top, right, rect.bottom}, colour);
}

HWND create_text_field(HWND parent, int control_id, HFONT font) {
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (field) {
    SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetWindowLongPtrW(field, GWLP_USERDATA, GetWindowLongPtrW(field, GWLP_WNDPROC));
    SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&forward_keys));
  }
  return field;
}

void set_cue_text(HWND field, std::string_view text) {
  const std::wstring w = widen(text);
  SendMessageW(field, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(w.c_str()));
}

std::string get_field_text(HWND field) {
  const int length = GetWindowTextLengthW(field);
  if (length <= 0) return {};
  std::wstring w(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(field, w.data(), length + 1);
  w.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return narrow(w);
}

std::string get_field_text_bounded(HWND field) {
  wchar_t buf[261] = {};
  const int got = GetWindowTextW(field, buf, 261);
  return narrow(std::wstring_view(buf, got > 0 ? static_cast<size_t>(got) : 0));
}

void set_field_text(HWND field, std::string_view text) { SetWindowTextW(field, widen(text).c_str()); }

void copy_to_clipboard(HWND owner, std::string_view text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const std::wstring w = widen(text);
  const size_t bytes = (w.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* p = GlobalLock(memory)) {
      memcpy(p, w.c_str(), bytes);
      GlobalUnlock(memory);
      // On success the clipboard owns the memory; only a refused hand-over leaves it ours.
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

}  // namespace qv
