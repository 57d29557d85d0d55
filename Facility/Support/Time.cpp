#include "Facility/Support/Time.h"

namespace TimeWords {

namespace {
constexpr const char* kWords[] = {"Just now",  "yesterday",   "today",     "a min ago", "mins ago",
                                  "an hour ago", "hours ago", "a day ago", "days ago"};
}

std::string rawValue(Time t) { return kWords[static_cast<int>(t)]; }

std::optional<Time> fromRawValue(const std::string& raw) {
  for (int i = 0; i < 9; ++i) {
    if (raw == kWords[i]) return static_cast<Time>(i);
  }
  return std::nullopt;
}

}  // namespace TimeWords
