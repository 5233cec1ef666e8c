#pragma once
// Pipe request lines built from tool arguments: each tool call becomes exactly one request.
#include <optional>
#include <string>
#include <string_view>

namespace qv::companion {

inline constexpr int kTopCountMin = 1;
inline constexpr int kTopCountMax = 50;
inline constexpr int kTopCountDefault = 10;

// Tabs, carriage returns and line feeds become spaces, so the text cannot split a request into
// fields or lines.
std::string single_line(std::string_view text);

// "top METRIC COUNT" with the count clamped to 1..50.
std::string top_request(std::string_view metric, long long count);
// "app NAME" with the name on one line.
std::string app_request(std::string_view name);
// "notify TITLE<tab>BODY", or "notify BODY" without a title. The monitor splits at the first tab,
// so without a title the body's tabs become spaces: otherwise its first part would be taken as
// the title.
std::string notify_request(const std::optional<std::string>& title, std::string_view body);
// "agents SESSION<tab>LABEL<tab>JSON"; session and label on one line so the fields stay three.
std::string agents_request(std::string_view session, std::string_view label, std::string_view agents_json);

}  // namespace qv::companion
