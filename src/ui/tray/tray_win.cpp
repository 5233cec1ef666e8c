#include "ui/tray/tray_win.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/messages.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/text_layout.h"
#include "util/wide_win.h"

namespace qv {
namespace {

constexpr Rgb kIconBackground = rgb(0x14161A);
constexpr Rgb kTextOnBar = rgb(0xF0F3F5);
constexpr const char* kPlaceholder = "\xE2\x80\xA6";  // "…" until the first sample

BOOL call_shell(TraySet& tray, DWORD message, NOTIFYICONDATAW& data) {
  if (tray.shell) return tray.shell(message, data);
  return Shell_NotifyIconW(message, &data);
}

NOTIFYICONDATAW base_data(const TraySet& tray, size_t slot) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = tray.window;
  data.uID = static_cast<UINT>(slot + 1);
  return data;
}

void copy_units(wchar_t* dest, size_t capacity, const std::u16string& text) {
  const size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(dest, text.data(), n * sizeof(wchar_t));
  dest[n] = L'\0';
}

void add_slot(TraySet& tray, size_t slot) {
  NOTIFYICONDATAW data = base_data(tray, slot);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kWmTray;
  copy_units(data.szTip, std::size(data.szTip), cut_utf16(kTrayInitialTip, kTrayTipUnits));
  UniqueIcon placeholder;
  if (slot == 0) {
    data.hIcon = tray.small_icon.get();
  } else {
    placeholder = make_tray_icon(kPlaceholder, false, 0, tray_slot_colour(slot));
    data.hIcon = placeholder.get();
  }
  call_shell(tray, NIM_ADD, data);
  // Without a version the shell reports Enter on an icon as a right click (the menu).
  data.uVersion = NOTIFYICON_VERSION;
  call_shell(tray, NIM_SETVERSION, data);
  tray.shown_text[slot].clear();
  tray.shown_tip[slot].clear();
}

void delete_slot(TraySet& tray, size_t slot) {
  NOTIFYICONDATAW data = base_data(tray, slot);
  call_shell(tray, NIM_DELETE, data);
}

// 32-bit top-down DIB section, so the pixels can be written directly.
HBITMAP create_dib(HDC dc, int n, uint32_t** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = n;
  info.bmiHeader.biHeight = -n;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* p = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
  *bits = static_cast<uint32_t*>(p);
  return bmp;
}

}  // namespace

TrayRequest tray_request(TraySet& tray, UINT event) {
  switch (event) {
    case WM_LBUTTONDOWN:
      tray.left_pressed = true;
      return TrayRequest::kNone;
    case WM_LBUTTONUP:
      return TrayRequest::kToggle;
    case NIN_SELECT:
      if (std::exchange(tray.left_pressed, false)) return TrayRequest::kNone;  // the click's echo
      return TrayRequest::kOpenByKeyboard;
    case NIN_KEYSELECT:
      return TrayRequest::kOpenByKeyboard;
    case WM_RBUTTONDOWN:
      tray.right_pressed = true;
      return TrayRequest::kNone;
    case WM_RBUTTONUP:
      return TrayRequest::kMenu;
    case WM_CONTEXTMENU:
      if (std::exchange(tray.right_pressed, false)) return TrayRequest::kNone;  // the click's echo
      return TrayRequest::kMenu;
    case NIN_BALLOONUSERCLICK:
      return TrayRequest::kBalloonClicked;
    default:
      return TrayRequest::kNone;
  }
}

int tray_icon_size() { return std::max(GetSystemMetrics(SM_CXSMICON), 16); }

UniqueIcon make_tray_icon(std::string_view text, bool with_bar, uint32_t level, Rgb colour) {
  const int n = tray_icon_size();
  WindowDc screen(nullptr);
  UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  if (!dc) return UniqueIcon();
  uint32_t* bits = nullptr;
  UniqueGdiObject colour_bitmap(create_dib(screen.get(), n, &bits));
  if (!colour_bitmap || !bits) return UniqueIcon();
  {
    SelectGuard keep_bitmap(dc.get(), colour_bitmap.get());
    fill_rect(dc.get(), Rect{0, 0, n, n}, kIconBackground);
    if (with_bar) {
      fill_rect(dc.get(), Rect{0, tray_bar_top(n, level), n, n}, half_brightness(colour));
    }
    const int h = tray_icon_font_height(n, code_point_count(text));
    UniqueGdiObject font(create_font(h, FW_BOLD));
    SelectGuard keep_font(dc.get(), font.get());
    const int x = std::max(0, (n - text_width(dc.get(), static_cast<HFONT>(font.get()), text)) / 2);
    draw_text(dc.get(), x, (n - h) / 2 - 1, static_cast<HFONT>(font.get()), with_bar ? kTextOnBar : colour, text);
    GdiFlush();
    // GDI leaves alpha at 0; the icon must be fully opaque.
    for (int i = 0; i < n * n; ++i) bits[i] |= 0xFF000000u;
  }
  UniqueGdiObject mask(CreateBitmap(n, n, 1, 1, nullptr));
  {
    // An all-zero mask: every pixel comes from the colour bitmap.
    UniqueMemoryDc mask_dc(CreateCompatibleDC(screen.get()));
    SelectGuard keep_mask(mask_dc.get(), mask.get());
    PatBlt(mask_dc.get(), 0, 0, n, n, BLACKNESS);
  }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = static_cast<HBITMAP>(colour_bitmap.get());
  info.hbmMask = static_cast<HBITMAP>(mask.get());
  return UniqueIcon(CreateIconIndirect(&info));
}

void sync_tray_icons(TraySet& tray, const Settings& settings) {
  const auto wanted = wanted_tray_slots(settings);
  for (size_t slot = 0; slot < kTraySlots; ++slot) {
    if (wanted[slot] == tray.added[slot]) continue;
    if (wanted[slot]) {
      add_slot(tray, slot);
    } else {
      delete_slot(tray, slot);
    }
    tray.added[slot] = wanted[slot];
    tray.shown_text[slot].clear();
    tray.shown_tip[slot].clear();
  }
}

void refresh_tray_icons(TraySet& tray, const Snapshot& snapshot) {
  TrayTipFigures figures = tray_tip_figures(snapshot);
  if (tray.tip_figures != figures) {
    tray.tip = cut_utf16(tray_tooltip(snapshot), kTrayTipUnits);
    tray.tip_figures = std::move(figures);
    ++tray.tips_built;
  }
  for (size_t slot = 0; slot < kTraySlots; ++slot) {
    if (!tray.added[slot]) continue;
    const TrayIconContent content = slot > 0 ? tray_slot_content(slot, snapshot) : TrayIconContent{};
    // The picture (bar included) changes only together with its text.
    const TraySlotSend plan = tray_slot_send(content.text, tray.shown_text[slot], tray.tip, tray.shown_tip[slot]);
    if (!plan.send) continue;
    NOTIFYICONDATAW data = base_data(tray, slot);
    data.uFlags = NIF_TIP;
    copy_units(data.szTip, std::size(data.szTip), tray.tip);
    if (plan.new_picture) {
      const TrayPictureKey key{content, tray_icon_size()};
      const UniqueIcon* picture = tray.pictures[slot].find(key);
      if (!picture) {
        UniqueIcon drawn = make_tray_icon(content.text, content.with_bar, content.level, tray_slot_colour(slot));
        ++tray.icons_drawn;
        if (drawn) picture = &tray.pictures[slot].keep(key, std::move(drawn));
      }
      data.uFlags |= NIF_ICON;
      data.hIcon = picture ? picture->get() : nullptr;
    }
    if (call_shell(tray, NIM_MODIFY, data)) {
      tray.shown_tip[slot] = tray.tip;
      if (plan.new_picture) tray.shown_text[slot] = content.text;
    } else {
      // What the notification area shows is not known now: everything goes again next time.
      tray.shown_tip[slot].clear();
      tray.shown_text[slot].clear();
    }
  }
}

void re_add_tray_icons(TraySet& tray) {
  for (size_t slot = 0; slot < kTraySlots; ++slot) {
    if (tray.added[slot]) add_slot(tray, slot);
  }
}

void remove_tray_icons(TraySet& tray) {
  for (size_t slot = 0; slot < kTraySlots; ++slot) {
    if (!tray.added[slot]) continue;
    delete_slot(tray, slot);
    tray.added[slot] = false;
  }
}

bool show_tray_balloon(TraySet& tray, std::string_view title, std::string_view body) {
  const auto first = std::find(tray.added.begin(), tray.added.end(), true);
  if (first == tray.added.end()) return false;
  NOTIFYICONDATAW data = base_data(tray, static_cast<size_t>(first - tray.added.begin()));
  data.uFlags = NIF_INFO;
  copy_units(data.szInfoTitle, std::size(data.szInfoTitle), cut_utf16(title, kBalloonTitleUnits));
  copy_units(data.szInfo, std::size(data.szInfo), cut_utf16(body, kBalloonTextUnits));
  data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
  data.hBalloonIcon = tray.large_icon.get();
  call_shell(tray, NIM_MODIFY, data);
  return true;
}

UINT register_taskbar_created(HWND window, MessageFilterCall allow) {
  const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  if (message != 0 && allow) allow(window, message, MSGFLT_ALLOW, nullptr);
  return message;
}

}  // namespace qv
