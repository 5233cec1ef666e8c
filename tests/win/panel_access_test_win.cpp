// The real quorvel.exe read and driven as a reader and the keyboard do: the open overview's
// accessible object names the page and its pieces, pressing the CPU card through it opens the
// CPU page, and Tab, Enter and Escape sent to the pop-up move the focus and act.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "core/messages.h"
#include "ui/access/accessible_win.h"
#include "access_support_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

struct OpenPanel {
  TempDir dir;
  Child child;
  HWND panel = nullptr;

  // Opened as the tray icon's click opens it, or as its Enter does.
  explicit OpenPanel(UINT tray_event = WM_LBUTTONUP) {
    write_file(dir.file(L"zelmor.ini"), "interval_ms=10000\n");
    child = launch(quorvel_exe(), L"", {{L"LOCALAPPDATA", dir.path()}});
    panel = find_monitor_window(child);
    if (!panel) return;
    SetCursorPos(0, 0);
    PostMessageW(panel, kWmTray, 0, tray_event);
    eventually([&] { return IsWindowVisible(panel) != FALSE; }, 5000);
  }
  ~OpenPanel() { kill(child); }

  IAccessible* object() const {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(panel, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                          reinterpret_cast<void**>(&acc)))) {
      return nullptr;
    }
    return acc;
  }
};

std::wstring page_name(IAccessible* acc) {
  BSTR name = nullptr;
  acc->get_accName(child(CHILDID_SELF), &name);
  return take(name);
}

// The child whose name starts with `prefix`; 0 when none does.
long child_named(IAccessible* acc, const std::wstring& prefix) {
  long count = 0;
  acc->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    BSTR name = nullptr;
    if (acc->get_accName(child(i), &name) == S_OK && take(name).rfind(prefix, 0) == 0) return i;
  }
  return 0;
}

long focused_child(IAccessible* acc) {
  VARIANT v;
  VariantInit(&v);
  if (acc->get_accFocus(&v) != S_OK || v.vt != VT_I4) return 0;
  return v.lVal;
}

class PanelAccess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(PanelAccess, OverviewIsReadAndItsCpuCardPressedThroughTheObject) {
  OpenPanel app;
  ASSERT_TRUE(app.panel);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && page_name(acc) == L"Overview"; }, 5000))
      << "waited for the panel's object to name the overview";
  long cpu = 0;
  ASSERT_TRUE(eventually([&] { return (cpu = child_named(acc, L"CPU, ")) != 0; }, 5000))
      << "waited for the CPU card among the children";
  VARIANT role;
  VariantInit(&role);
  ASSERT_EQ(acc->get_accRole(child(cpu), &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);
  BSTR action = nullptr;
  ASSERT_EQ(acc->get_accDefaultAction(child(cpu), &action), S_OK);
  EXPECT_EQ(take(action), L"Press");
  const long field = child_named(acc, L"Find app");
  ASSERT_NE(field, 0);
  VARIANT field_role;
  VariantInit(&field_role);
  ASSERT_EQ(acc->get_accRole(child(field), &field_role), S_OK);
  EXPECT_EQ(field_role.lVal, ROLE_SYSTEM_TEXT);

  ASSERT_EQ(acc->accDoDefaultAction(child(cpu)), S_OK);
  EXPECT_TRUE(eventually([&] { return page_name(acc) == L"Top apps by CPU use"; }, 5000))
      << "waited for the CPU page after pressing its card; page now " << utf8(page_name(acc));
  acc->Release();
}

TEST_F(PanelAccess, TabMovesTheFocusEnterActsAndEscapeGoesBack) {
  OpenPanel app;
  ASSERT_TRUE(app.panel);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && child_named(acc, L"CPU, ") != 0; }, 5000))
      << "waited for the overview's pieces";
  // Tab until the CPU card has the focus, each press moving it on.
  const long cpu = child_named(acc, L"CPU, ");
  long last = focused_child(acc);
  bool reached = false;
  for (int i = 0; i < 12 && !reached; ++i) {
    PostMessageW(app.panel, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(eventually([&] { return focused_child(acc) != last; }, 3000)) << "waited for Tab " << i << " to move";
    last = focused_child(acc);
    reached = last == cpu;
  }
  ASSERT_TRUE(reached) << "Tab never reached the CPU card";
  PostMessageW(app.panel, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(eventually([&] { return page_name(acc) == L"Top apps by CPU use"; }, 5000)) << "waited for Enter to open";
  PostMessageW(app.panel, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(eventually([&] { return page_name(acc) == L"Overview"; }, 5000)) << "waited for Escape to go back";
  acc->Release();
}

TEST_F(PanelAccess, SettingsAreReachedAndTheirChoicesReadAndActedOn) {
  OpenPanel app;
  ASSERT_TRUE(app.panel);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && child_named(acc, L"settings") != 0; }, 5000))
      << "waited for the overview's settings link";
  ASSERT_EQ(acc->accDoDefaultAction(child(child_named(acc, L"settings"))), S_OK);
  ASSERT_TRUE(eventually([&] { return page_name(acc) == L"Settings" && child_named(acc, L"General") != 0; }, 5000))
      << "waited for the settings home and its General section";
  ASSERT_EQ(acc->accDoDefaultAction(child(child_named(acc, L"General"))), S_OK);
  ASSERT_TRUE(eventually([&] { return page_name(acc) == L"General"; }, 5000)) << "waited for the General section";
  // The theme chips: "dark" chosen at first; pressing "light" chooses it.
  long light = 0;
  ASSERT_TRUE(eventually([&] { return (light = child_named(acc, L"light")) != 0; }, 5000)) << "waited for the chip";
  VARIANT state;
  VariantInit(&state);
  ASSERT_EQ(acc->get_accState(child(light), &state), S_OK);
  EXPECT_EQ(state.lVal & STATE_SYSTEM_SELECTED, 0);
  ASSERT_EQ(acc->accDoDefaultAction(child(light)), S_OK);
  EXPECT_TRUE(eventually([&] {
    VARIANT now;
    VariantInit(&now);
    const long chip = child_named(acc, L"light");
    return chip != 0 && acc->get_accState(child(chip), &now) == S_OK && (now.lVal & STATE_SYSTEM_SELECTED) != 0;
  }, 5000)) << "waited for the light chip to read as selected";
  acc->Release();
}

TEST_F(PanelAccess, OpenedByKeyboardTheOverviewsFirstPieceHasTheFocus) {
  OpenPanel app(NIN_KEYSELECT);
  ASSERT_TRUE(app.panel);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && child_named(acc, L"CPU, ") != 0; }, 5000))
      << "waited for the overview's pieces";
  // The pop-up's header reads "pin", "settings", then its close glyph; "pin" comes first.
  const long pin = child_named(acc, L"pin");
  ASSERT_NE(pin, 0);
  EXPECT_TRUE(eventually([&] { return focused_child(acc) == pin; }, 3000))
      << "waited for the focus on \"pin\"; it is on child " << focused_child(acc);
  acc->Release();
}

}  // namespace
}  // namespace qv::test

#include "ui/gdi/theme.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv::test {
namespace {

// Under high contrast the panel's chosen chip and ticked box take the system's highlight, not
// the fixed accent; with it off, the theme's accent again.
TEST(PanelHighContrast, ChosenChipAndTickedBoxTakeTheHighlight) {
  const SystemColours system{rgb(0x000000), rgb(0xFFFFFF), rgb(0x1AEBFF), rgb(0x000000), rgb(0xFFFF00), rgb(0x3FF23F)};
  FontSet fonts = create_font_set(1.0f);
  PanelState panel;
  struct Case { bool high_contrast; uint32_t fill; };
  for (const Case& k : {Case{true, 0x1AEBFF}, Case{false, 0x4FA3FF}}) {
    set_high_contrast(k.high_contrast ? std::optional<SystemColours>(system) : std::nullopt);
    MemoryBitmap bmp(200, 100);
    const PanelCanvas c{bmp.dc(), 200, 100, 1.0f, &fonts, &panel};
    paint_chip(c, Rect{10, 10, 60, 34}, "x", true);
    paint_check_box(c, Rect{100, 10, 116, 26}, true);
    EXPECT_EQ(bmp.pixel(12, 12), k.fill) << "chip, high contrast " << k.high_contrast;
    EXPECT_EQ(bmp.pixel(108, 18), k.fill) << "ticked box, high contrast " << k.high_contrast;
  }
  set_high_contrast(std::nullopt);
}

}  // namespace
}  // namespace qv::test
