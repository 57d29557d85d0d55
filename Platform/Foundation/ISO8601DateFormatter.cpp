#include "Platform/Foundation/ISO8601DateFormatter.h"

#include "Platform/Foundation/DateFormatter.h"

namespace platform {
namespace {

DateFormatter Formatter() {
  DateFormatter f("yyyy-MM-dd'T'HH:mm:ssXXXXX");
  f.setTimeZone(TimeZone::gmt());
  f.setLocale(Locale("en_US_POSIX"));
  return f;
}

}  // namespace

std::string ISO8601DateFormatter::stringFromDate(Date date) { return Formatter().stringFromDate(date); }

std::optional<Date> ISO8601DateFormatter::dateFromString(std::string_view text) {
  return Formatter().dateFromString(text);
}

}  // namespace platform
