#pragma once
// Lower-casing of UTF-8 text beyond ASCII (Latin, Greek, Cyrillic, Armenian and the other
// simple one-to-one case pairs), used where names typed by users are compared.
#include <string>
#include <string_view>

namespace qv {

std::string to_lower_utf8(std::string_view text);

}  // namespace qv
