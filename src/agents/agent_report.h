#pragma once
// Reading the agent list an AI tool reports. The reader is lenient on purpose: it picks objects
// out of any text and four string members out of each object, and never fails.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/agent.h"

namespace qv {

// The agents of one report, in report order, with updated = started = `now_ms`. Objects with
// neither title nor detail are skipped; of several objects with one id only the first counts.
std::vector<Agent> parse_agent_report(std::string_view text, uint64_t now_ms);

// The object texts of a report: each top-level {...} outside strings, braces included.
std::vector<std::string_view> split_report_objects(std::string_view text);
// The string value of member `key` as the lenient reader finds it: the first member of that name
// at a key position of the object itself (never text inside a value or a nested object); empty
// when it has none or its value is not a string.
std::string read_member(std::string_view object, std::string_view key);

}  // namespace qv
