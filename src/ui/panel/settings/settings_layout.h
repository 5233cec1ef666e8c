#pragma once
// Layout of the settings home and the settings sections, as lists of the kit's pieces.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "ui/gdi/geometry.h"
#include "ui/gdi/theme.h"
#include "ui/panel/frame/hit_test.h"
#include "ui/panel/frame/panel_state.h"
#include "ui/panel/kit/page_layout.h"

namespace qv {

inline constexpr std::array<const char*, 5> kSectionTitles = {"General", "AI tools", "Main panel", "Desktop extras",
                                                              "Alerts"};
inline constexpr const char* kAutostartLabel = "Start with Windows (as administrator)";
inline constexpr const char* kAutostartWarning = "Needs administrator — run the app as admin once";

// "1 rule", otherwise the count and " rules" (also "0 rules"): the Alerts row of the home page.
std::string rule_count_text(size_t rules);

// Pages 2 (home) and 3 (sections 0..4); an empty view for any other page.
PageView layout_settings_page(const PageInput& in, const RoleTextMeasure& measure);

}  // namespace qv
