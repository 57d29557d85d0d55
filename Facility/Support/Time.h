// Relative-time words; a vocabulary only, matched by exact raw value.
#pragma once

#include <optional>
#include <string>

enum class Time { JustNow, YesterDay, Today, MinAgo, MinsAgo, AnHourAgo, HoursAgo, DayAgo, DaysAgo };

namespace TimeWords {
std::string rawValue(Time t);
std::optional<Time> fromRawValue(const std::string& raw);
}  // namespace TimeWords
