#pragma once
// "Close app" decided without touching a process: which ids a close action names, the question
// the user is asked, and the check that an id still belongs to the app when it is ended.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/snapshot.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

inline constexpr char kCloseAppCaption[] = "Quorvel — Close app";

struct CloseRequest {
  std::string name;            // the app the processes are asked for by
  std::vector<uint32_t> pids;  // may be empty: then nobody is asked anything
  bool operator==(const CloseRequest&) const = default;
};

// The processes a close action names: every process of `current` named exactly like the open
// app (close app), the pids of a listed row (its "×"), or one process of the open app. Nothing
// for other actions, a row index past the list, or no open app.
std::optional<CloseRequest> close_request(const PanelState& panel, const Snapshot& current, const Action& action);

// End 2 process(es) named "chrome.exe"?
std::string close_question(std::string_view name, size_t count);

// Whether the image path of a running process (full path or bare file name, "\" or "/"
// separated) names the app: its last component equals `app`, ignoring case. The id of a
// process that exited while the user was asked may already belong to another program.
bool image_is_app(std::string_view image_path, std::string_view app);

}  // namespace qv
