#include "main/app_win.h"

#include <windows.h>
#include <dwmapi.h>

#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "agents/instructions.h"
#include "config/settings_file_win.h"
#include "core/messages.h"
#include "core/shared_state.h"
#include "etw/etw_thread_win.h"
#include "etw/trace_control_win.h"
#include "mcp_pipe/pipe_server_win.h"
#include "rules/rule_text.h"
#include "sampler/sampler_thread_win.h"
#include "ui/gdi/draw_win.h"
#include "ui/gdi/high_contrast_win.h"
#include "ui/gdi/scale.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/panel_show_win.h"
#include "ui/panel/frame/panel_window_win.h"
#include "ui/panel/frame/ui_state_win.h"
#include "ui/tray/tray_win.h"
#include "util/names.h"
#include "util/panic.h"
#include "util/program_log_win.h"
#include "util/startup_task_win.h"
#include "util/wide_win.h"

namespace qv {
namespace {

void show_message(const std::string& text) {
  MessageBoxW(nullptr, widen(text).c_str(), widen(kAppWebName).c_str(), MB_OK);
}

void report(bool ok, const std::string& action) {
  show_message(ok ? "Quorvel: " + action + " succeeded." : "Quorvel: could not " + action + ".");
}

void handle_option(const std::wstring& option) {
  if (option == L"--install") {
    report(create_startup_task(), "set up starting with Windows");
  } else if (option == L"--uninstall") {
    report(delete_startup_tasks(), "stop starting with Windows");
  } else {
    show_message("Quorvel: could not understand that option (use --install or --uninstall).");
  }
}

// Workers are detached at once and never joined; they end with the process.
template <typename F>
void spawn_worker(F body) {
  try {
    std::thread([body = std::move(body)]() mutable {
      install_thread_panic_hook();
      body();
    }).detach();
  } catch (const std::system_error&) {
    panic("start-up", "failed to spawn thread");  // the program cannot work without its workers
  }
}

}  // namespace

int run_app(int argc, wchar_t** argv) {
  install_panic_hook();
  set_panic_cleanup([] { stop_own_trace_session(); });

  if (argc > 1) {
    handle_option(argv[1]);
    return 0;
  }

  // Kept open for the life of the process; a second copy finds it and leaves quietly. A monitor
  // started elevated (the start-up task does so) leaves a lock that a copy without elevation may
  // not open: that copy is a second one too.
  HANDLE instance_mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutex);
  const DWORD instance_error = GetLastError();
  if (instance_error == ERROR_ALREADY_EXISTS || (!instance_mutex && instance_error == ERROR_ACCESS_DENIED)) return 0;

  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &panel_window_proc;
  wc.hInstance = module;
  wc.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kPanelWindowClass;
  RegisterClassExW(&wc);

  HWND panel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPanelWindowClass, widen(kAppWebName).c_str(),
                               WS_POPUP | WS_CLIPCHILDREN | WS_BORDER, 0, 0, 10, 10, nullptr, nullptr, module,
                               nullptr);
  if (!panel) {
    log_line("CreateWindowExW failed");
    return 0;
  }

  if (HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_SHARED))) {
    SendMessageW(panel, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageW(panel, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }

  Settings settings = load_settings();
  // Lines that do not parse stay in the settings (and in the alert list) but are never evaluated.
  std::vector<AlertRule> rules = parse_rule_lines(settings.log);
  auto shared = make_shared_state(settings, std::move(rules), build_instructions(settings));

  auto ui = std::make_unique<UiState>();
  refresh_high_contrast();
  set_current_theme(settings.theme);
  const UINT dpi = GetDpiForWindow(panel);
  ui->dpi = dpi != 0 ? dpi : 96;
  ui->dpi_scale = dpi_scale_for(ui->dpi);
  ui->ui_scale = ui_scale_for(ui->dpi_scale, settings.text_size);
  ui->taskbar_created_msg = register_taskbar_created(panel);
  BOOL dark = TRUE;
  DwmSetWindowAttribute(panel, 20 /* DWMWA_USE_IMMERSIVE_DARK_MODE */, &dark, sizeof dark);

  ui->fonts = create_font_set(ui->ui_scale);
  ui->field_brush.reset(CreateSolidBrush(colorref(current_theme().input)));

  ui->tray.window = panel;
  ui->tray.large_icon.reset(
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  const int small = tray_icon_size();
  ui->tray.small_icon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, small, small, 0)));
  sync_tray_icons(ui->tray, settings);

  ui->settings = std::move(settings);
  ui->shared = shared;
  ui->window = panel;
  set_ui_state(std::move(ui));
  // A pinned panel shows at start, as an ordinary window (this saves the settings once).
  with_ui_state([](UiState& state) {
    if (state.settings.pinned) set_pinned(state, state.window, true);
  });

  // The sampler's thread also sets up event tracing before its first tick and keeps the lock that
  // marks the session live; a thread of tracing's own is started only when events can be read.
  spawn_worker([shared, panel] {
    const std::unique_ptr<TraceOwnerLock> trace_owner = start_event_tracing(shared);
    run_sampler(shared, panel);
  });
  spawn_worker([shared, panel] { run_pipe_server(shared, panel); });

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  shared.reset();
  return 0;
}

}  // namespace qv
