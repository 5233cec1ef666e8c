#pragma once
// The two pages of the AI tool link: AI activity (the agents each session reports, and the
// finished ones folded beneath them) and Messages (the notifications the tool sent). Both draw a
// scrolling, clipped list from their page models.
#include <windows.h>

#include <cstdint>
#include <deque>

#include "core/agent.h"
#include "ui/panel/ai/message_list.h"
#include "ui/panel/ai/activity_model.h"
#include "ui/panel/kit/panel_widgets_win.h"

namespace qv {

// What one paint of either page reads: copies of the registry and the history taken under their
// locks, the panel's message list, the time and the machine's local clock.
struct AiPagesInput {
  AgentRegistry sessions;
  AgentHistory history;
  const std::deque<MessageEntry>* messages = nullptr;
  uint64_t now_ms = 0;
  LocalClock local_clock;
};

// The machine's local hours and minutes of a moment.
LocalClockTime local_clock_time(uint64_t unix_ms);
// The same for many moments in one paint: the time zone is read once, and the offset from UTC is
// remembered per quarter hour (zones change their offset only on such boundaries), since the
// system's conversion costs far more than the rest of a finished row.
LocalClock make_local_clock();

void paint_activity(const PanelCanvas& c, const AiPagesInput& in);
void paint_messages(const PanelCanvas& c, const std::deque<MessageEntry>& messages);

}  // namespace qv
