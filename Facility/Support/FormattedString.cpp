#include "Facility/Support/FormattedString.h"

#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"

std::string formattedString(platform::Date date, const std::string& format) {
  platform::DateFormatter formatter(format);
  formatter.setTimeZone(platform::TimeZone::local());
  formatter.setLocale(platform::Locale("en_US_POSIX"));
  return formatter.stringFromDate(date);
}
