// The accessible object of a hand-painted window, read the way a screen reader reads it: through
// AccessibleObjectFromWindow on a small window of our own that serves four pieces. Also the
// system events a reader is told of, and the window's focus-cue state.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/access/accessible_win.h"
#include "ui/access/focus_ring_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/high_contrast_win.h"
#include "ui/gdi/theme.h"
#include "access_support_win.h"
#include "win_support.h"

namespace qv {
namespace {

class TestSource : public AccessSource {
 public:
  std::vector<Piece> page;
  std::string focused;
  std::string acted;  // the last piece pressed
  std::string title() override { return "Overview"; }
  std::vector<Piece> pieces() override { return page; }
  std::string focused_key() override { return focused; }
  bool do_default_action(const std::string& key) override {
    acted = key;
    return true;
  }
  bool take_focus(const std::string& key) override {
    focused = key;
    return true;
  }
};

Piece piece(const char* key, Rect region, const char* name, AccessRole role, uint32_t state, const char* action) {
  Piece p;
  p.key = key;
  p.region = region;
  p.name = name;
  p.role = role;
  p.state = state;
  p.default_action = action;
  return p;
}

AccessibleServer* g_server = nullptr;
std::vector<WPARAM> g_ui_changes;  // WM_CHANGEUISTATE requests the window received

LRESULT CALLBACK test_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CHANGEUISTATE) g_ui_changes.push_back(wparam);
  if (msg == WM_GETOBJECT && g_server) {
    if (const auto answer = g_server->on_get_object(wparam, lparam)) return *answer;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

using test::child;
using test::take;

class AccessibleWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    WNDCLASSW wc{};
    wc.lpfnWndProc = &test_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QvAccessTest";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, L"QvAccessTest", L"access test", WS_POPUP | WS_VISIBLE, 100, 120, 300, 200, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(hwnd_);
    source_.page = {
        piece("tile:cpu", {10, 40, 110, 90}, "CPU, 36 percent", AccessRole::kPushButton, piece_state::kFocusable, "Open"),
        piece("back", {10, 5, 60, 25}, "Back", AccessRole::kLink, piece_state::kFocusable, "Open"),
        piece("start", {10, 100, 200, 120}, "Start with Windows", AccessRole::kCheckBox,
              piece_state::kFocusable | piece_state::kChecked, "Uncheck"),
        piece("ram", {120, 40, 220, 90}, "RAM, 52 percent", AccessRole::kText, 0, ""),
    };
    server_ = std::make_unique<AccessibleServer>(hwnd_, source_);
    g_server = server_.get();
    ASSERT_EQ(AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                         reinterpret_cast<void**>(&acc_)),
              S_OK);
    ASSERT_TRUE(acc_);
  }
  void TearDown() override {
    if (acc_) acc_->Release();
    g_server = nullptr;
    server_.reset();
    if (hwnd_) DestroyWindow(hwnd_);
    CoUninitialize();
  }

  POINT client_origin() const {
    POINT p{0, 0};
    ClientToScreen(hwnd_, &p);
    return p;
  }

  HWND hwnd_ = nullptr;
  TestSource source_;
  std::unique_ptr<AccessibleServer> server_;
  IAccessible* acc_ = nullptr;
};

TEST_F(AccessibleWindow, ReadsTitleChildrenRolesStatesAndPlaces) {
  BSTR name = nullptr;
  ASSERT_EQ(acc_->get_accName(child(CHILDID_SELF), &name), S_OK);
  EXPECT_EQ(take(name), L"Overview");
  long count = 0;
  ASSERT_EQ(acc_->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 4);

  struct Expected {
    const wchar_t* name;
    long role;
    long state;
    RECT place;  // client coordinates
  };
  const Expected expected[] = {  // reading order: back, then the tile and the figure beside it
      {L"Back", ROLE_SYSTEM_LINK, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED, {10, 5, 60, 25}},
      {L"CPU, 36 percent", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, {10, 40, 110, 90}},
      {L"RAM, 52 percent", ROLE_SYSTEM_STATICTEXT, 0, {120, 40, 220, 90}},
      {L"Start with Windows", ROLE_SYSTEM_CHECKBUTTON, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED, {10, 100, 200, 120}},
  };
  const POINT origin = client_origin();
  for (long id = 1; id <= 4; ++id) {
    const Expected& e = expected[id - 1];
    ASSERT_EQ(acc_->get_accName(child(id), &name), S_OK) << id;
    EXPECT_EQ(take(name), e.name) << id;
    VARIANT v;
    ASSERT_EQ(acc_->get_accRole(child(id), &v), S_OK) << id;
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, e.role) << id;
    ASSERT_EQ(acc_->get_accState(child(id), &v), S_OK) << id;
    EXPECT_EQ(v.lVal, e.state) << id;
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(acc_->accLocation(&x, &y, &w, &h, child(id)), S_OK) << id;
    EXPECT_EQ(x, origin.x + e.place.left) << id;
    EXPECT_EQ(y, origin.y + e.place.top) << id;
    EXPECT_EQ(w, e.place.right - e.place.left) << id;
    EXPECT_EQ(h, e.place.bottom - e.place.top) << id;
    IDispatch* object = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(acc_->get_accChild(child(id), &object), S_FALSE) << "a simple element";
    EXPECT_EQ(object, nullptr);
  }
  VARIANT v;
  EXPECT_EQ(acc_->get_accRole(child(5), &v), E_INVALIDARG);
  EXPECT_EQ(acc_->get_accName(child(-1), &name), E_INVALIDARG);
  VARIANT wrong_type;
  VariantInit(&wrong_type);
  EXPECT_EQ(acc_->get_accName(wrong_type, &name), E_INVALIDARG);
}

TEST_F(AccessibleWindow, ActsFocusesNavigatesAndHitTests) {
  BSTR action = nullptr;
  ASSERT_EQ(acc_->get_accDefaultAction(child(2), &action), S_OK);
  EXPECT_EQ(take(action), L"Open");
  EXPECT_EQ(acc_->accDoDefaultAction(child(2)), S_OK);
  EXPECT_EQ(source_.acted, "tile:cpu");
  EXPECT_EQ(acc_->accDoDefaultAction(child(3)), DISP_E_MEMBERNOTFOUND) << "a figure does nothing";

  SetFocus(hwnd_);
  ASSERT_EQ(GetFocus(), hwnd_);
  VARIANT v;
  source_.focused = "back";
  ASSERT_EQ(acc_->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 1);
  ASSERT_EQ(acc_->get_accState(child(1), &v), S_OK);
  EXPECT_EQ(v.lVal, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_LINKED);
  source_.focused = "start";  // Tab moved it
  ASSERT_EQ(acc_->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.lVal, 4);
  source_.focused.clear();
  ASSERT_EQ(acc_->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.lVal, CHILDID_SELF) << "the window itself has the focus";
  EXPECT_EQ(acc_->accSelect(SELFLAG_TAKEFOCUS, child(2)), S_OK);
  EXPECT_EQ(source_.focused, "tile:cpu");

  struct Step {
    long direction;
    long from;
    HRESULT hr;
    long to;
  };
  const Step steps[] = {{NAVDIR_FIRSTCHILD, CHILDID_SELF, S_OK, 1}, {NAVDIR_LASTCHILD, CHILDID_SELF, S_OK, 4},
                        {NAVDIR_NEXT, 1, S_OK, 2},                  {NAVDIR_PREVIOUS, 2, S_OK, 1},
                        {NAVDIR_NEXT, 4, S_FALSE, 0},               {NAVDIR_PREVIOUS, 1, S_FALSE, 0},
                        {NAVDIR_FIRSTCHILD, 2, E_INVALIDARG, 0}};
  for (const Step& s : steps) {
    VARIANT end;
    EXPECT_EQ(acc_->accNavigate(s.direction, child(s.from), &end), s.hr) << s.direction << " from " << s.from;
    if (s.hr == S_OK) EXPECT_EQ(end.lVal, s.to) << s.direction << " from " << s.from;
    else EXPECT_EQ(end.vt, VT_EMPTY);
  }

  const POINT origin = client_origin();
  ASSERT_EQ(acc_->accHitTest(origin.x + 50, origin.y + 60, &v), S_OK);
  EXPECT_EQ(v.lVal, 2);
  ASSERT_EQ(acc_->accHitTest(origin.x + 250, origin.y + 150, &v), S_OK);
  EXPECT_EQ(v.lVal, CHILDID_SELF);
  EXPECT_EQ(acc_->accHitTest(origin.x - 5, origin.y + 60, &v), S_FALSE) << "outside the window";
}

TEST_F(AccessibleWindow, ATextFieldPieceIsTheEditControlsOwnObject) {
  constexpr int kFieldId = 41;
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 130, 180, 20, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFieldId)), GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(field);
  Piece search = piece("filter", {10, 130, 190, 150}, "Search", AccessRole::kTextField, piece_state::kFocusable, "");
  search.control_id = kFieldId;
  source_.page.push_back(search);  // the fifth child in reading order

  IDispatch* object = nullptr;
  ASSERT_EQ(acc_->get_accChild(child(5), &object), S_OK);
  ASSERT_NE(object, nullptr);
  object->Release();

  SetFocus(field);
  ASSERT_EQ(GetFocus(), field);
  VARIANT v;
  ASSERT_EQ(acc_->get_accFocus(&v), S_OK);
  EXPECT_EQ(v.vt, VT_DISPATCH) << "the field answers for itself";
  if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->Release();
  SetFocus(nullptr);
  ASSERT_EQ(acc_->get_accFocus(&v), S_FALSE) << "the focus is elsewhere";
  EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST_F(AccessibleWindow, AnswersDisconnectedOnceTheServerIsGone) {
  g_server = nullptr;
  server_.reset();
  long count = 0;
  EXPECT_EQ(acc_->get_accChildCount(&count), RPC_E_DISCONNECTED);
  BSTR name = nullptr;
  EXPECT_EQ(acc_->get_accName(child(1), &name), RPC_E_DISCONNECTED);
  EXPECT_EQ(name, nullptr);
}

std::vector<std::pair<DWORD, LONG>> g_events;

void CALLBACK record_event(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child_id, DWORD, DWORD) {
  if (object == OBJID_CLIENT) g_events.emplace_back(event, child_id);
}

// Pumps this thread's messages until the marker event arrived (every event raised before it has
// then arrived too); false after five seconds.
bool deliver_until_marker(HWND hwnd) {
  constexpr LONG kMarker = 999;
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, kMarker);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    if (!g_events.empty() && g_events.back().second == kMarker) {
      g_events.pop_back();
      return true;
    }
    Sleep(5);
  }
  return false;
}

TEST_F(AccessibleWindow, TellsReadersOfFocusAndOfTheFocusedFiguresNewName) {
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, &record_event,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(hook);
  SetFocus(hwnd_);
  ASSERT_TRUE(deliver_until_marker(hwnd_)) << "waited for the marker event";
  g_events.clear();

  source_.focused = "tile:cpu";
  server_->announce_focus();
  server_->announce_focus();  // the next sample, same figure
  source_.page[0].name = "CPU, 41 percent";
  server_->announce_focus();
  ASSERT_TRUE(deliver_until_marker(hwnd_)) << "waited for the marker event";
  const std::vector<std::pair<DWORD, LONG>> expected = {{EVENT_OBJECT_FOCUS, 2}, {EVENT_OBJECT_NAMECHANGE, 2}};
  EXPECT_EQ(g_events, expected);
  UnhookWinEvent(hook);
}

// Windows keeps the window's UI state in DefWindowProc; Wine 8 keeps none (WM_QUERYUISTATE
// answers 0: rings always shown). So the requests the window makes are checked here, and that
// nothing more is asked while the system says the rings already show.
TEST_F(AccessibleWindow, FocusCuesAreAskedOfTheSystemByHowTheWindowWasOpened) {
  BOOL saved = FALSE;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &saved, 0));
  const WPARAM hide = MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS);
  const WPARAM show = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
  struct Case {
    BOOL always_show;  // the user's setting
    std::vector<WPARAM> expected;  // opened with the mouse, then with the keyboard
  };
  const Case cases[] = {{FALSE, {hide, show}}, {TRUE, {show, show}}};
  for (const Case& c : cases) {
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(c.always_show)), 0));
    g_ui_changes.clear();
    initialize_focus_cues(hwnd_, false);
    initialize_focus_cues(hwnd_, true);
    EXPECT_EQ(g_ui_changes, c.expected) << "always show: " << c.always_show;
  }
  SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(saved)), 0);
  ASSERT_TRUE(focus_cues_shown(hwnd_));
  show_focus_cues(hwnd_);
  EXPECT_EQ(g_ui_changes.size(), 2u) << "already shown: nothing sent";
}

TEST(FocusKeys, MovesOfTheNavigationKeysOnly) {
  struct Case {
    WPARAM key;
    bool shift;
    std::optional<FocusMove> move;
  };
  const Case cases[] = {{VK_TAB, false, FocusMove::kNext},      {VK_TAB, true, FocusMove::kPrevious},
                        {VK_UP, false, FocusMove::kUp},         {VK_DOWN, true, FocusMove::kDown},
                        {VK_LEFT, false, FocusMove::kLeft},     {VK_RIGHT, false, FocusMove::kRight},
                        {VK_HOME, false, FocusMove::kHome},     {VK_END, false, FocusMove::kEnd},
                        {VK_PRIOR, false, FocusMove::kPageUp},  {VK_NEXT, false, FocusMove::kPageDown},
                        {'A', false, std::nullopt},             {VK_RETURN, false, std::nullopt},
                        {VK_ESCAPE, false, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(focus_move_for_key(c.key, c.shift), c.move) << c.key << " " << c.shift;
}

TEST(FocusRingPaint, TwoPixelsInTheThemesFocusColourInsideTheRegion) {
  set_current_theme(2);
  test::MemoryBitmap mem(40, 30);
  const Rect region{5, 5, 35, 25};
  fill_rect(mem.dc(), Rect{0, 0, 40, 30}, rgb(0xFFFFFF));
  draw_focus_ring(mem.dc(), region, 1.0f);
  const test::ScreenShot s = mem.shot();
  set_current_theme(0);
  const Rgb ring = rgb(0x1F6FD1);
  for (const POINT p : {POINT{5, 5}, POINT{6, 6}, POINT{34, 24}, POINT{33, 15}, POINT{20, 23}}) {
    EXPECT_EQ(s.at(p.x, p.y), ring) << p.x << "," << p.y;
  }
  for (const POINT p : {POINT{4, 5}, POINT{7, 7}, POINT{20, 15}, POINT{35, 25}, POINT{32, 22}}) {
    EXPECT_EQ(s.at(p.x, p.y), rgb(0xFFFFFF)) << p.x << "," << p.y;
  }
}

// Wine reads the mode (off) but cannot switch it on (SPI_SETHIGHCONTRAST fails), so the
// system's colours are tried natively and here the mode is seen going off.
TEST(HighContrastMode, ReadAsOffAndASwitchOffIsReportedOnce) {
  EXPECT_FALSE(read_high_contrast().has_value());
  set_high_contrast(SystemColours{rgb(0x000000), rgb(0xFFFFFF), rgb(0x1AEBFF), rgb(0x000000), rgb(0xFFFF00),
                                  rgb(0x3FF23F)});
  EXPECT_TRUE(refresh_high_contrast()) << "switched off: the windows paint again";
  EXPECT_FALSE(high_contrast_on());
  EXPECT_FALSE(refresh_high_contrast()) << "nothing changed";
}

}  // namespace
}  // namespace qv
