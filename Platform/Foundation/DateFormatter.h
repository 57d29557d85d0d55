// Dates to and from text with a fixed pattern in the platform's date-format
// syntax ("dd/MM/yyyy", "HH:mm", "MMM yyyy", "MM-yyyy",
// "yyyy-MM-dd'T'HH:mm:ssZZZZZ"), always in the Gregorian calendar. Without
// an explicit time zone or locale the formatter uses the local zone and the
// current locale at the moment of each call.
//
// Parsing is strict: the whole text must match the pattern, and fields out
// of range (31/02/2026) give nothing. Fields the pattern lacks default to
// 2000-01-01 00:00:00 in the formatter's zone, so "HH:mm" reads "10:30" as
// 10:30 on 1 January 2000.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class DateFormatter {
 public:
  DateFormatter() = default;
  explicit DateFormatter(std::string dateFormat) : format_(std::move(dateFormat)) {}

  void setDateFormat(std::string format) { format_ = std::move(format); }
  const std::string& dateFormat() const { return format_; }
  // Nothing means: the local zone / current locale at each call.
  void setTimeZone(std::optional<TimeZone> zone) { zone_ = std::move(zone); }
  void setLocale(std::optional<Locale> locale) { locale_ = std::move(locale); }
  TimeZone timeZone() const { return zone_ ? *zone_ : TimeZone::local(); }
  Locale locale() const { return locale_ ? *locale_ : Locale::current(); }

  // The empty text when no format is set or the pattern is invalid.
  std::string stringFromDate(Date date) const;
  std::optional<Date> dateFromString(std::string_view text) const;

 private:
  std::string format_;
  std::optional<TimeZone> zone_;
  std::optional<Locale> locale_;
};

}  // namespace platform
