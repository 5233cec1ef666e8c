// The real quorvel.exe read and driven as a reader and the keyboard do: the open overview's
// accessible object names the page and its pieces, pressing the CPU card through it opens the
// CPU page, and Tab, Enter and Escape sent to the pop-up move the focus and act.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "pipe_client_win.h"
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
  explicit OpenPanel(UINT tray_event = WM_LBUTTONUP, const std::string& settings = "interval_ms=10000\n") {
    write_file(dir.file(L"zelmor.ini"), settings);
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

// The child whose name holds `part`; 0 when none does.
long child_holding(IAccessible* acc, const std::wstring& part) {
  long count = 0;
  acc->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    BSTR name = nullptr;
    if (acc->get_accName(child(i), &name) == S_OK && take(name).find(part) != std::wstring::npos) return i;
  }
  return 0;
}

std::wstring name_of(IAccessible* acc, long id) {
  BSTR name = nullptr;
  acc->get_accName(child(id), &name);
  return take(name);
}

long role_of(IAccessible* acc, long id) {
  VARIANT v;
  VariantInit(&v);
  return acc->get_accRole(child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : -1;
}

long state_of(IAccessible* acc, long id) {
  VARIANT v;
  VariantInit(&v);
  return acc->get_accState(child(id), &v) == S_OK && v.vt == VT_I4 ? v.lVal : 0;
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

// Two processes of one app: its page is reached through the overview's search row, the process
// list unfolded, its rows and their ✕ buttons read by what they show, and a sort chip chosen.
TEST_F(PanelAccess, AppDetailRowsAndCloseButtonsAreReadAndASortChipChosen) {
  std::vector<Child> helpers;
  for (int i = 0; i < 2; ++i) helpers.push_back(launch(tool_exe(L"zqidle.exe"), L"", {}));
  ASSERT_TRUE(helpers[0].process && helpers[1].process);
  OpenPanel app(WM_LBUTTONUP, "interval_ms=250\n");
  ASSERT_TRUE(app.panel);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && child_named(acc, L"Find app") != 0; }, 5000))
      << "waited for the overview's search field";
  HWND field = nullptr;
  ASSERT_TRUE(eventually([&] { return (field = GetDlgItem(app.panel, 1)) != nullptr; }, 5000));
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"zqidle"));
  long row = 0;
  ASSERT_TRUE(eventually([&] { return (row = child_named(acc, L"zqidle.exe, ")) != 0; }, 10000))
      << "waited for the search row of the helpers";
  ASSERT_EQ(acc->accDoDefaultAction(child(row)), S_OK);
  ASSERT_TRUE(eventually([&] { return page_name(acc) == L"zqidle.exe"; }, 5000))
      << "waited for the app's page; page now " << utf8(page_name(acc));

  EXPECT_NE(child_named(acc, L"Close app zqidle.exe"), 0);
  const long fold = child_named(acc, L"Processes (2)");
  ASSERT_NE(fold, 0);
  EXPECT_NE(state_of(acc, fold) & STATE_SYSTEM_COLLAPSED, 0);
  ASSERT_EQ(acc->accDoDefaultAction(child(fold)), S_OK);
  const std::wstring pid = std::to_wstring(helpers[0].pid);
  long process = 0;
  ASSERT_TRUE(eventually([&] { return (process = child_named(acc, L"zqidle.exe, PID " + pid + L", ")) != 0; }, 5000))
      << "waited for the row of process " << helpers[0].pid;
  EXPECT_EQ(role_of(acc, process), ROLE_SYSTEM_LISTITEM);
  EXPECT_TRUE(name_of(acc, process).find(L" percent CPU") != std::wstring::npos) << utf8(name_of(acc, process));
  const long close = child_named(acc, L"Close zqidle.exe, PID " + pid);
  ASSERT_NE(close, 0);
  EXPECT_EQ(role_of(acc, close), ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_NE(state_of(acc, child_named(acc, L"Processes (2)")) & STATE_SYSTEM_EXPANDED, 0);

  // Sorting by RAM: that chip reads as chosen, the CPU chip no longer, the rows say RAM.
  EXPECT_NE(state_of(acc, child_named(acc, L"Sort by CPU")) & STATE_SYSTEM_SELECTED, 0);
  const long ram = child_named(acc, L"Sort by RAM");
  ASSERT_NE(ram, 0);
  EXPECT_EQ(role_of(acc, ram), ROLE_SYSTEM_RADIOBUTTON);
  EXPECT_EQ(state_of(acc, ram) & STATE_SYSTEM_SELECTED, 0);
  ASSERT_EQ(acc->accDoDefaultAction(child(ram)), S_OK);
  EXPECT_TRUE(eventually([&] {
    const long row_now = child_named(acc, L"zqidle.exe, PID " + pid + L", ");
    return (state_of(acc, child_named(acc, L"Sort by RAM")) & STATE_SYSTEM_SELECTED) != 0 &&
           (state_of(acc, child_named(acc, L"Sort by CPU")) & STATE_SYSTEM_SELECTED) == 0 && row_now != 0 &&
           name_of(acc, row_now).size() > 4 && name_of(acc, row_now).substr(name_of(acc, row_now).size() - 4) == L" RAM";
  }, 5000)) << "waited for the RAM chip to be chosen and the row to read its RAM";

  // Tab reaches the first process row; Down goes to the other row, not to the first one's ✕.
  bool on_row = false;
  for (int i = 0; i < 40 && !on_row; ++i) {
    const long before = focused_child(acc);
    PostMessageW(app.panel, WM_KEYDOWN, VK_TAB, 0);
    ASSERT_TRUE(eventually([&] { return focused_child(acc) != before; }, 3000)) << "waited for Tab " << i << " to move";
    on_row = name_of(acc, focused_child(acc)).rfind(L"zqidle.exe, PID ", 0) == 0;
  }
  ASSERT_TRUE(on_row) << "Tab never reached a process row";
  // "zqidle.exe, PID 1234": the row's name up to its figure.
  const auto row_of = [](const std::wstring& name) { return name.substr(0, name.find(L',', 16)); };
  const std::wstring first = row_of(name_of(acc, focused_child(acc)));
  PostMessageW(app.panel, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_TRUE(eventually([&] {
    const std::wstring now = name_of(acc, focused_child(acc));
    return now.rfind(L"zqidle.exe, PID ", 0) == 0 && row_of(now) != first;
  }, 3000)) << "waited for Down to reach the other process row";
  save_shot_if_asked(capture_client(app.panel), "app_detail_focused_row");
  acc->Release();
  for (Child& c : helpers) kill(c);
}

// Messages from the pipe: each read by its time, title and text, the open one says so and folds
// through the object, and "Clear messages" empties the list.
TEST_F(PanelAccess, MessagesAreReadFoldedAndClearedThroughTheObject) {
  OpenPanel app(WM_LBUTTONUP, "interval_ms=250\n");
  ASSERT_TRUE(app.panel);
  ASSERT_NE(pipe_request(L"\\\\.\\pipe\\zelmor-mcp", "notify Build finished\tAll 214 tests passed.").value_or(""), "");
  std::string body;
  while (body.size() < 600) body += "The review found " + std::to_string(body.size()) + " small things to tidy. ";
  ASSERT_NE(pipe_request(L"\\\\.\\pipe\\zelmor-mcp", "notify Review ready\t" + body).value_or(""), "");
  // The balloon of the newest opens the page with that message unfolded.
  PostMessageW(app.panel, kWmTray, 0, NIN_BALLOONUSERCLICK);
  IAccessible* acc = nullptr;
  ASSERT_TRUE(eventually([&] { return (acc = app.object()) != nullptr && page_name(acc) == L"Messages"; }, 5000))
      << "waited for the messages page";
  long review = 0;
  ASSERT_TRUE(eventually([&] { return (review = child_holding(acc, L", Review ready, The review found 0")) != 0; }, 5000))
      << "waited for the newest message";
  EXPECT_EQ(role_of(acc, review), ROLE_SYSTEM_LISTITEM);
  EXPECT_NE(state_of(acc, review) & STATE_SYSTEM_EXPANDED, 0);
  const long build = child_holding(acc, L", Build finished, All 214 tests passed.");
  ASSERT_NE(build, 0);
  EXPECT_EQ(state_of(acc, build) & (STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED), 0) << "one line: no fold";

  ASSERT_EQ(acc->accDoDefaultAction(child(review)), S_OK);
  EXPECT_TRUE(eventually([&] {
    const long now = child_holding(acc, L", Review ready, ");
    return now != 0 && (state_of(acc, now) & STATE_SYSTEM_COLLAPSED) != 0 && name_of(acc, now).size() < body.size();
  }, 5000)) << "waited for the message to fold to its first line";

  const long clear = child_named(acc, L"Clear messages");
  ASSERT_NE(clear, 0);
  ASSERT_EQ(acc->accDoDefaultAction(child(clear)), S_OK);
  EXPECT_TRUE(eventually([&] { return page_name(acc) == L"Overview"; }, 5000)) << "waited for the overview";
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
