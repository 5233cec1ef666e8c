// Paint of the AI activity page (20 sessions x 20 agents and 200 finished agents, the finished
// section unfolded, scrolled to the middle) and of the messages page (12 long messages, folded and
// all unfolded) into the panel's off-screen bitmap.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <string>

#include "ui/panel/ai/message_list.h"
#include "ui/gdi/draw_win.h"
#include "ui/panel/ai/activity_model.h"
#include "ui/panel/frame/panel_page_win.h"
#include "ui/gdi/back_buffer_win.h"
#include "win_bench.h"

namespace qv::bench {
namespace {

constexpr int32_t kWidth = 336;
constexpr int32_t kHeight = 620;

// Words that hardly repeat, as in real prose, so that remembering widths within one paint does
// not flatter the figures.
std::string prose(uint32_t seed, size_t length) {
  const char* syllables[] = {"ka", "re", "mo", "tin", "sul", "ve", "dra", "po", "lis", "gen", "ut", "fa"};
  std::string out;
  while (out.size() < length) {
    const int n = 1 + static_cast<int>((seed >> 7) % 4);
    for (int k = 0; k < n; ++k) {
      seed = seed * 1664525u + 1013904223u;
      out += syllables[(seed >> 9) % 12];
    }
    out += ' ';
  }
  out.resize(length);
  return out;
}

AiPagesInput busy_registry(uint64_t now) {
  AiPagesInput in;
  in.now_ms = now;
  in.local_clock = make_local_clock();
  const char* statuses[] = {"running", "waiting", "", "running"};
  for (int s = 0; s < 20; ++s) {
    AgentSession session{"session-" + std::to_string(s), "Repository " + std::to_string(s), {}, now};
    for (int a = 0; a < 20; ++a) {
      Agent agent;
      agent.id = "agent-" + std::to_string(a);
      agent.title = "Agent " + std::to_string(a) + " working on module " + std::to_string(s * 20 + a);
      agent.status = statuses[a % 4];
      agent.detail = prose(static_cast<uint32_t>(s * 20 + a), 90);
      agent.updated_ms = now - (a % 5 == 0 ? 600'000 : 1000);
      agent.started_ms = now - 3'600'000;
      session.agents.push_back(agent);
    }
    in.sessions.push_back(session);
  }
  for (int f = 0; f < 200; ++f) {
    in.history.push_back(FinishedAgent{"done-" + std::to_string(f), "Finished task " + std::to_string(f),
                                       f % 7 == 0 ? "failed" : "done", prose(static_cast<uint32_t>(1000 + f), 60),
                                       "Repository 1", now - 7'200'000, now - 60'000ull * f});
  }
  return in;
}

std::deque<MessageEntry> long_messages() {
  std::deque<MessageEntry> list;
  for (int i = 0; i < 12; ++i) {
    const std::string body = prose(static_cast<uint32_t>(i) * 7919u + 1u, 2000);
    list.push_back(MessageEntry{"12:3" + std::to_string(i % 10), "Message number " + std::to_string(i), body});
  }
  return list;
}

// Per paint; `cold` forgets the remembered text widths before each, as the first paint after a
// change of the lists or of the text size finds them.
double time_paints(PanelState& panel, const AiPagesInput& ai, int n, bool cold = false) {
  FontSet fonts = create_font_set(1.0f);
  HDC screen = GetDC(nullptr);
  Settings settings;
  Snapshot snap;
  OverviewInput overview;
  overview.settings = &settings;
  overview.snapshot = &snap;
  BackBuffer buffer;  // kept across paints, as the panel keeps its own
  auto paint_once = [&] {
    HDC mem = buffer.prepare(screen, kWidth, kHeight);
    paint_page(PanelCanvas{mem, kWidth, kHeight, 1.0f, &fonts, &panel}, overview, {}, &ai);
  };
  paint_once();  // warm the font caches
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    if (cold) panel.small_widths = TextWidthCache{};
    paint_once();
  }
  ReleaseDC(nullptr, screen);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / n;
}

void ai_pages_paint() {
  const uint64_t now = 1'800'000'000'000;
  const int n = 200;

  PanelState activity;
  activity.page = Page::kActivity;
  activity.finished_expanded = true;
  const AiPagesInput registry = busy_registry(now);
  const double top = time_paints(activity, registry, n);
  activity.scroll_offset = 12'000;  // clamped by the scrollbar to the list's range
  const double middle = time_paints(activity, registry, n);
  const double middle_cold = time_paints(activity, registry, n / 4, true);
  std::printf("AI activity, 20 sessions x 20 agents + 200 finished (unfolded), %dx%d, content to %d px:\n", kWidth,
              kHeight, activity.scroll_max);
  std::printf("  paint at the top: %.3f ms per paint (%d paints)\n", top, n);
  std::printf("  paint scrolled to %d px: %.3f ms per paint (%.3f ms measuring every word afresh)\n",
              activity.scroll_offset, middle, middle_cold);
  std::printf("FIGURE ai_activity_first_paint_ms|%.4f||ms\n", middle_cold);

  PanelState messages;
  messages.page = Page::kMessages;
  const std::deque<MessageEntry> list = long_messages();
  AiPagesInput ai;
  ai.messages = &list;
  const double folded = time_paints(messages, ai, n);
  const double folded_cold = time_paints(messages, ai, n / 4, true);
  for (size_t i = 0; i < list.size(); ++i) messages.expanded_messages.insert(i);
  const double unfolded = time_paints(messages, ai, n);
  const double unfolded_cold = time_paints(messages, ai, n / 4, true);
  std::printf("Messages, 12 messages of 2,000 characters, %dx%d:\n", kWidth, kHeight);
  std::printf("  all folded: %.3f ms per paint (%.3f ms measuring afresh)\n", folded, folded_cold);
  std::printf("  all unfolded (content %d px tall): %.3f ms per paint (%.3f ms measuring afresh)\n",
              messages.scroll_max + kHeight - 62 - 12, unfolded, unfolded_cold);
  std::printf("FIGURE messages_first_paint_ms|%.4f||ms\n", unfolded_cold);
}

QV_WIN_BENCH("ai_pages_paint", ai_pages_paint);

}  // namespace
}  // namespace qv::bench
