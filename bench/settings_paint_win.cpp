// One paint of each settings page and of the alert editor into the panel's off-screen bitmap,
// with content for every list (custom requests, alert rules), at 100 % and at the largest text.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "ui/gdi/draw_win.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/gdi/back_buffer_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

void settings_paint() {
  Settings settings;
  settings.notify_rules = {NotifyRule{true, "Tell me when the build breaks"}, NotifyRule{false, "Ping me on review"}};
  settings.log = {"cpu>90; data=top", "proc:chrome.exe:ram>2048; file=C:\\logs\\chrome.log; cooldown=300; nonotify",
                  "gpu>>5", "disk>50; off"};
  settings.agent_log_file = "C:\\Users\\me\\AppData\\Local\\zelmor-agents.log";
  Snapshot snap;
  OverviewInput overview;
  overview.settings = &settings;
  overview.snapshot = &snap;
  AlertEditorState editor;
  editor.metric = 7;
  editor.delivery = 2;
  struct Target {
    const char* name;
    const char* figure;
    Page page;
    uint8_t sub;
  };
  const Target targets[] = {{"home", "settings_home", Page::kSettingsHome, 0},
                            {"General", "settings_general", Page::kSettingsSection, 0},
                            {"AI tools", "settings_ai_tools", Page::kSettingsSection, 1},
                            {"Main panel", "settings_main_panel", Page::kSettingsSection, 2},
                            {"Desktop extras", "settings_desktop_extras", Page::kSettingsSection, 3},
                            {"Alerts", "settings_alerts", Page::kSettingsSection, 4},
                            {"alert editor", "alert_editor", Page::kAlertEditor, 0}};
  HDC screen = GetDC(nullptr);
  for (float scale : {1.0f, 1.3f}) {
    FontSet fonts = create_font_set(scale);
    const int32_t w = static_cast<int32_t>(336 * scale);
    const int32_t h = static_cast<int32_t>(592 * scale);
    for (const Target& t : targets) {
      PanelState panel;
      panel.page = t.page;
      panel.sub_page = t.sub;
      PageInput in;
      in.settings = &settings;
      in.page = t.page;
      in.sub_page = t.sub;
      in.width = w;
      in.height = h;
      in.scale = scale;
      in.connect_command = "claude mcp add quorvel \"C:\\Program Files\\Quorvel\\zelmor-mcp.exe\"";
      in.editor = &editor;
      const int n = 200;
      BackBuffer buffer;  // kept across paints, as the panel keeps its own
      auto paint_once = [&] {
        HDC mem = buffer.prepare(screen, w, h);
        paint_page(PanelCanvas{mem, w, h, scale, &fonts, &panel}, overview, {}, nullptr, &in);
      };
      paint_once();  // warm the font caches
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < n; ++i) paint_once();
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
      std::printf("  %-15s %dx%d: %.3f ms per paint, %zu regions\n", t.name, w, h, ms, panel.hit_regions.size());
      // The largest text makes the longest page: that one is the figure.
      if (scale > 1.0f) std::printf("FIGURE %s_paint_ms|%.4f||ms\n", t.figure, ms);
    }
  }
  ReleaseDC(nullptr, screen);
}

QV_WIN_BENCH("settings_pages_paint", settings_paint);

}  // namespace
}  // namespace qv::bench
