// Internet date-time text (RFC 3339 without fractions):
// "2026-03-01T09:30:00Z" or with an offset, "2026-03-01T15:00:00+05:30".
// Output is always in GMT with "Z"; input must carry "Z" or an offset.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace platform {

class ISO8601DateFormatter {
 public:
  static std::string stringFromDate(Date date);
  static std::optional<Date> dateFromString(std::string_view text);
};

}  // namespace platform
