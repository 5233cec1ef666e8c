// The drawing kit against real GDI: primitives drawn into a memory bitmap, text measured with
// the real fonts, child text fields and the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/gdi/back_buffer_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/text_layout.h"
#include "ui/panel/frame/text_width_cache.h"
#include "util/wide_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

// A W x H 32-bit top-down bitmap selected into a memory DC, read back as 0xRRGGBB.
class Canvas : public MemoryBitmap {
 public:
  using MemoryBitmap::MemoryBitmap;
  uint32_t at(int x, int y) const { return pixel(x, y) & 0xFFFFFFu; }
  size_t count(uint32_t rgb) const {
    size_t n = 0;
    for (int y = 0; y < h(); ++y)
      for (int x = 0; x < w(); ++x) n += at(x, y) == rgb;
    return n;
  }
};

uint32_t hex(Rgb c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

TEST(UiGdi, MeterAndInputFrameUseTheCurrentTheme) {
  set_current_theme(2);
  Canvas c(100, 20);
  draw_meter(c.dc(), Rect{0, 0, 100, 8}, 0.25f, rgb(0xA78BFA));
  EXPECT_EQ(c.at(0, 0), 0xA78BFAu);
  EXPECT_EQ(c.at(24, 7), 0xA78BFAu);
  EXPECT_EQ(c.at(25, 0), hex(theme_at(2).track));
  EXPECT_EQ(c.at(99, 7), hex(theme_at(2).track));
  draw_input_frame(c.dc(), Rect{0, 10, 100, 20});
  EXPECT_EQ(c.at(0, 10), hex(theme_at(2).border));
  EXPECT_EQ(c.at(99, 19), hex(theme_at(2).border));
  EXPECT_EQ(c.at(1, 11), hex(theme_at(2).input));
  EXPECT_EQ(c.at(98, 18), hex(theme_at(2).input));
  set_current_theme(0);
}

TEST(UiGdi, SparklineAndChevronsDrawTheirPoints) {
  Canvas c(64, 34);
  fill_rect(c.dc(), Rect{0, 0, 64, 34}, rgb(0x000000));
  std::vector<float> ring(60, 100.0f);
  draw_sparkline(c.dc(), Rect{2, 1, 62, 33}, SampleRing{ring, 0, 60}, 100, rgb(0x4FA3FF));
  // Full scale: one horizontal line one pixel below the top, across the whole width.
  EXPECT_EQ(c.at(2, 2), 0x4FA3FFu);
  EXPECT_EQ(c.at(60, 2), 0x4FA3FFu);
  EXPECT_EQ(c.at(30, 20), 0u);
  std::vector<float> one(60, 0.0f);
  Canvas d(64, 34);
  draw_sparkline(d.dc(), Rect{2, 1, 62, 33}, SampleRing{one, 1, 1}, 100, rgb(0xFFFFFF));
  EXPECT_EQ(d.count(0xFFFFFF), 0u);  // a single sample draws nothing
  Canvas e(20, 20);
  draw_chevron(e.dc(), 10, 10, 11, 1, rgb(0xFFFFFF), true);
  EXPECT_EQ(e.at(5, 10), 0xFFFFFFu);  // the tip points left
  EXPECT_EQ(e.at(15, 10), 0u);
}

// The lists sum character advances instead of measuring each word: the sums must be the
// system's own widths, in every font of the set, for every kind of text that takes that path.
TEST(UiGdi, AdvanceSumsAreTheSystemsWidths) {
  FontSet fonts = create_font_set(1.0f);
  Canvas c(8, 8);
  const char* texts[] = {
      "kamotin", "Wolf", "AVATAR", "fi", "1,234.5%", "[x]{y}(z)", "~!@#$^&*_+=|\\:;'\"<>?/`",
      "\xC3\xA9t\xC3\xA9 na\xC3\xAFve \xC3\x86\xC3\xB8\xC3\xA5 \xC3\x9F",  // Latin-1
      "\xC5\x81\xC3\xB3" "d\xC5\xBA \xC5\x92uvre \xC6\x92",                // Latin Extended-A and -B
      "a\xC2\xA0" "b",                                                   // no-break space
  };
  int summed = 0;
  for (HFONT font : {fonts.small, fonts.body, fonts.heading, fonts.bold}) {
    TextWidthCache cache;
    int asked = 0;
    const TextMeasure m = cached_measure(
        cache, reinterpret_cast<uintptr_t>(font), 1.0f,
        [&](std::string_view s) {
          ++asked;
          return static_cast<int32_t>(text_width(c.dc(), font, s));
        },
        [&](char32_t first, size_t count, int32_t* out) { return char_advances(c.dc(), font, first, count, out); });
    for (const char* text : texts) {
      const int before = asked;
      EXPECT_EQ(m(text), text_width(c.dc(), font, text)) << text;
      summed += asked == before;
    }
  }
  EXPECT_GE(summed, 4 * 7) << "the seven ASCII texts take the summed path in all four fonts";
}

// The panel's kept bitmap: the same one while the size stays, a new one when it changes, and a
// fresh device-context state for every paint whatever the last one left selected or clipped.
TEST(UiGdi, BackBufferIsKeptPerSizeAndStartsEachPaintAfresh) {
  // A display device context as the target, as the panel's window gives (a memory one holding a
  // section would make every compatible bitmap a section too).
  struct ScreenDc {
    HDC dc_ = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    HDC dc() const { return dc_; }
  } screen;
  BackBuffer buffer;
  EXPECT_EQ(buffer.prepare(screen.dc(), 0, 10), nullptr);
  EXPECT_EQ(buffer.prepare(screen.dc(), 10, -1), nullptr);
  EXPECT_FALSE(buffer.held());

  HDC dc = buffer.prepare(screen.dc(), 40, 30);
  ASSERT_NE(dc, nullptr);
  const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP info{};
  ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 40);
  EXPECT_EQ(info.bmHeight, 30);
  // A paint that leaves a clip, a colour and a mode behind.
  IntersectClipRect(dc, 0, 0, 5, 5);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkMode(dc, TRANSPARENT);

  HDC again = buffer.prepare(screen.dc(), 40, 30);
  EXPECT_EQ(again, dc);
  EXPECT_EQ(GetCurrentObject(again, OBJ_BITMAP), bitmap) << "the same bitmap for the same size";
  EXPECT_EQ(GetTextColor(again), RGB(0, 0, 0));
  EXPECT_EQ(GetBkMode(again), OPAQUE);
  RECT clip{};
  EXPECT_EQ(GetClipBox(again, &clip), SIMPLEREGION) << "no clip left from the last paint";
  EXPECT_EQ(clip.right, 40);
  EXPECT_EQ(clip.bottom, 30);

  HDC bigger = buffer.prepare(screen.dc(), 50, 30);
  ASSERT_NE(bigger, nullptr);
  ASSERT_NE(GetObjectW(GetCurrentObject(bigger, OBJ_BITMAP), sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 50);
  // Its pixels are pages of their own, committed while it is held and free once released, so
  // hiding the panel gives the memory back to the system.
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(GetCurrentObject(bigger, OBJ_BITMAP), sizeof section, &section), static_cast<int>(sizeof section));
  ASSERT_NE(section.dsBm.bmBits, nullptr);
  MEMORY_BASIC_INFORMATION pages{};
  ASSERT_NE(VirtualQuery(section.dsBm.bmBits, &pages, sizeof pages), 0u);
  EXPECT_EQ(pages.State, static_cast<DWORD>(MEM_COMMIT));
  buffer.release();
  EXPECT_FALSE(buffer.held());
  ASSERT_NE(VirtualQuery(section.dsBm.bmBits, &pages, sizeof pages), 0u);
  EXPECT_EQ(pages.State, static_cast<DWORD>(MEM_FREE));
  EXPECT_NE(buffer.prepare(screen.dc(), 8, 8), nullptr) << "made again after a release";
}

TEST(UiGdi, FittedTextFallsBackToSmallerFontsThenTheEllipsis) {
  FontSet fonts = create_font_set(1.0f);
  Canvas c(400, 40);
  const std::string text = "Network \xE2\x86\x93 1.5 MB/s";
  const int bold = text_width(c.dc(), fonts.bold, text);
  const int small = text_width(c.dc(), fonts.small, text);
  ASSERT_GT(bold, small);
  ASSERT_GT(small, 0);
  // Room for the small font only: the result is drawn (some text pixels appear) and fits.
  fill_rect(c.dc(), Rect{0, 0, 400, 40}, rgb(0x000000));
  draw_text_fit(c.dc(), 0, 0, small, {fonts.bold, fonts.small}, rgb(0xFFFFFF), text);
  size_t beyond = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = small; x < 400; ++x) beyond += c.at(x, y) != 0;
  EXPECT_EQ(beyond, 0u);
  EXPECT_GT(c.count(0xFFFFFF), 0u);
  // Half that room: shortened with the ellipsis, still inside the room.
  const int half = small / 2;
  fill_rect(c.dc(), Rect{0, 0, 400, 40}, rgb(0x000000));
  draw_text_fit(c.dc(), 0, 0, half, {fonts.bold, fonts.small}, rgb(0xFFFFFF), text);
  beyond = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = half; x < 400; ++x) beyond += c.at(x, y) != 0;
  EXPECT_EQ(beyond, 0u);
  EXPECT_GT(c.count(0xFFFFFF), 0u);
  // With real glyph widths, a long word breaks and every line stays within the width.
  const std::string word(60, 'W');
  auto lines = wrap_text(c.dc(), fonts.body, 100, word);
  ASSERT_GE(lines.size(), 2u);
  for (const auto& line : lines) EXPECT_LE(text_width(c.dc(), fonts.body, line), 100) << line;
}

TEST(UiGdi, TextFieldsAndClipboardRoundTrip) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  FontSet fonts = create_font_set(1.0f);
  HWND field = create_text_field(parent, 3, fonts.body);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(GetDlgCtrlID(field), 3);
  EXPECT_FALSE(IsWindowVisible(field));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)), fonts.body);
  set_field_text(field, "caf\xC3\xA9 \xE2\x97\x86");
  EXPECT_EQ(get_field_text(field), "caf\xC3\xA9 \xE2\x97\x86");
  const std::string long_text(300, 'x');
  set_field_text(field, long_text);
  EXPECT_EQ(get_field_text(field), long_text);
  EXPECT_EQ(get_field_text_bounded(field), std::string(260, 'x'));
  copy_to_clipboard(parent, "claude mcp add \xE2\x86\x92 zelmor");
  ASSERT_TRUE(OpenClipboard(parent));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(narrow(text), "claude mcp add \xE2\x86\x92 zelmor");
  GlobalUnlock(data);
  CloseClipboard();
  DestroyWindow(parent);
}

}  // namespace
}  // namespace qv::test
