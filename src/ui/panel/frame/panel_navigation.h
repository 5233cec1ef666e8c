#pragma once
// The page model of the panel: navigation between pages and the effect of every click action.
// The decisions live here; everything that touches a window, a file or another thread goes
// through PanelHost, which the window side implements (and tests replace with a recorder).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_host.h"
#include "ui/panel/frame/panel_state.h"

namespace qv {

// Switches to (page, sub_page): saves when leaving the settings, asks for the start-up task when
// entering them, parks the search text while app detail uses the filter field and restores it
// afterwards, and gives the field the focus on the pages that filter with it.
void navigate(PanelState& panel, PanelHost& host, Page page, uint8_t sub_page);

// Where Back goes from the current page.
void go_back(PanelState& panel, PanelHost& host);

// Performs one click action: the frame's own (pages, pin, filter) here, every page's in that
// page's room. Indexes outside their lists do nothing. The caller repaints.
void perform_action(PanelState& panel, Settings& settings, PanelHost& host, const Action& action);

// Edit notification of the filter field: the field's text (already cut to 260 UTF-16 units)
// becomes the lower-case filter; the lists that it filters go back to the top.
void filter_text_changed(PanelState& panel, const std::string& field_text);

// One wheel message: whole notches of 120, away from the user scrolls up, `step` pixels each.
void scroll_by_wheel(PanelState& panel, int wheel_delta, int32_t step);

}  // namespace qv
