#pragma once
// The choices the settings sections offer, by stored index: the chips they draw and the range a
// click may set, from the same tables.
#include <array>

namespace qv {

inline constexpr std::array<const char*, 3> kThemeNames = {"dark", "black", "light"};  // panel and widget
inline constexpr std::array<const char*, 4> kTextSizes = {"small", "default", "large", "larger"};
inline constexpr std::array<const char*, 5> kFpsColours = {"white", "green", "red", "cyan", "yellow"};
inline constexpr std::array<const char*, 3> kFpsOpacities = {"40%", "70%", "100%"};

}  // namespace qv
