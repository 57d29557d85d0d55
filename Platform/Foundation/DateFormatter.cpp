#include "Platform/Foundation/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace platform {
namespace {

struct Icu {
  std::unique_ptr<icu::SimpleDateFormat> format;
  std::unique_ptr<icu::GregorianCalendar> calendar;
};

std::optional<Icu> Make(const std::string& pattern, const TimeZone& zone, const Locale& locale) {
  if (pattern.empty()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale loc(locale.identifier().c_str());
  Icu out;
  out.format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), loc, status);
  if (U_FAILURE(status)) return std::nullopt;
  auto* tz = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone.identifier()));
  out.calendar = std::make_unique<icu::GregorianCalendar>(tz, loc, status);  // adopts tz
  if (U_FAILURE(status)) return std::nullopt;
  // The formatter's own calendar follows the locale (e.g. Buddhist in th_TH);
  // dates here are always Gregorian.
  out.format->setCalendar(*out.calendar);
  out.format->setLenient(false);
  out.calendar->setLenient(false);
  return out;
}

icu::DateFormat::EStyle IcuStyle(DateFormatter::Style style) {
  switch (style) {
    case DateFormatter::Style::kNone: return icu::DateFormat::kNone;
    case DateFormatter::Style::kShort: return icu::DateFormat::kShort;
    case DateFormatter::Style::kMedium: return icu::DateFormat::kMedium;
    case DateFormatter::Style::kLong: return icu::DateFormat::kLong;
    case DateFormatter::Style::kFull: return icu::DateFormat::kFull;
  }
  return icu::DateFormat::kNone;
}

}  // namespace

std::string DateFormatter::effectiveFormat() const {
  if (!format_.empty()) return format_;
  if (dateStyle_ == Style::kNone && timeStyle_ == Style::kNone) return "";
  icu::Locale loc(locale().identifier().c_str());
  std::unique_ptr<icu::DateFormat> styled(
      icu::DateFormat::createDateTimeInstance(IcuStyle(dateStyle_), IcuStyle(timeStyle_), loc));
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(styled.get());
  if (!simple) return "";
  icu::UnicodeString pattern;
  simple->toPattern(pattern);
  std::string out;
  pattern.toUTF8String(out);
  return out;
}

std::string DateFormatter::stringFromDate(Date date) const {
  auto icu = Make(effectiveFormat(), timeZone(), locale());
  if (!icu) return "";
  icu::UnicodeString text;
  icu->format->format(date.secondsSince1970 * 1000.0, text);
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::optional<Date> DateFormatter::dateFromString(std::string_view text) const {
  auto icu = Make(format_, timeZone(), locale());
  if (!icu) return std::nullopt;
  const icu::UnicodeString input =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::Calendar& cal = *icu->calendar;
  cal.clear();
  cal.set(2000, UCAL_JANUARY, 1, 0, 0, 0);
  icu::ParsePosition pos(0);
  icu->format->parse(input, cal, pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const UDate ms = cal.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return Date{ms / 1000.0};
}

}  // namespace platform
