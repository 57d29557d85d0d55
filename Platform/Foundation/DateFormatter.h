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
//
// Without a pattern, date and time styles choose the locale's one (en_US:
// long date "MMMM d, y", short time "h:mm a", both joined by " at ").
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
  enum class Style { kNone = 0, kShort = 1, kMedium = 2, kLong = 3, kFull = 4 };

  DateFormatter() = default;
  explicit DateFormatter(std::string dateFormat) : format_(std::move(dateFormat)) {}

  void setDateFormat(std::string format) { format_ = std::move(format); }
  const std::string& dateFormat() const { return format_; }
  void setDateStyle(Style style) { dateStyle_ = style; }
  void setTimeStyle(Style style) { timeStyle_ = style; }
  Style dateStyle() const { return dateStyle_; }
  Style timeStyle() const { return timeStyle_; }
  // The pattern in use: the set format, else the one the styles give for the
  // locale ("" when neither is set).
  std::string effectiveFormat() const;
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
  Style dateStyle_ = Style::kNone;
  Style timeStyle_ = Style::kNone;
  std::optional<TimeZone> zone_;
  std::optional<Locale> locale_;
};

}  // namespace platform
