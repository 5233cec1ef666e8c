#include "companion/request_lines.h"

#include <algorithm>

namespace qv::companion {

std::string single_line(std::string_view text) {
  std::string out(text);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return out;
}

std::string top_request(std::string_view metric, long long count) {
  const long long n = std::clamp<long long>(count, kTopCountMin, kTopCountMax);
  return "top " + single_line(metric) + " " + std::to_string(n);
}

std::string app_request(std::string_view name) { return "app " + single_line(name); }

std::string notify_request(const std::optional<std::string>& title, std::string_view body) {
  if (title) return "notify " + single_line(*title) + "\t" + std::string(body);
  std::string flat(body);
  std::replace(flat.begin(), flat.end(), '\t', ' ');
  return "notify " + flat;
}

std::string agents_request(std::string_view session, std::string_view label, std::string_view agents_json) {
  return "agents " + single_line(session) + "\t" + single_line(label) + "\t" + std::string(agents_json);
}

}  // namespace qv::companion
