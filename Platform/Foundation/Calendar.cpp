#include "Platform/Foundation/Calendar.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace platform {
namespace {

std::unique_ptr<icu::GregorianCalendar> Make(const TimeZone& zone) {
  UErrorCode status = U_ZERO_ERROR;
  auto cal = std::make_unique<icu::GregorianCalendar>(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone.identifier())), status);
  if (U_FAILURE(status)) return nullptr;
  // Proleptic Gregorian: no switch to the Julian calendar in 1582.
  cal->setGregorianChange(-8.64e15, status);
  return cal;
}

UCalendarDateFields Field(Calendar::Unit unit) {
  switch (unit) {
    case Calendar::Unit::kYear: return UCAL_YEAR;
    case Calendar::Unit::kMonth: return UCAL_MONTH;
    case Calendar::Unit::kDay: return UCAL_DATE;
    case Calendar::Unit::kHour: return UCAL_HOUR_OF_DAY;
    case Calendar::Unit::kMinute: return UCAL_MINUTE;
    case Calendar::Unit::kSecond: return UCAL_SECOND;
  }
  return UCAL_YEAR;
}

// ICU's UCAL_YEAR is the year of the era; extended years are signed.
UCalendarDateFields ReadField(Calendar::Unit unit) {
  return unit == Calendar::Unit::kYear ? UCAL_EXTENDED_YEAR : Field(unit);
}

}  // namespace

int Calendar::component(Unit unit, Date date) const {
  auto cal = Make(zone_);
  if (!cal) return 0;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(date.secondsSince1970 * 1000.0, status);
  const int value = cal->get(ReadField(unit), status);
  if (U_FAILURE(status)) return 0;
  return unit == Unit::kMonth ? value + 1 : value;
}

Calendar::DateComponents Calendar::components(Date date) const {
  DateComponents c;
  c.year = component(Unit::kYear, date);
  c.month = component(Unit::kMonth, date);
  c.day = component(Unit::kDay, date);
  c.hour = component(Unit::kHour, date);
  c.minute = component(Unit::kMinute, date);
  c.second = component(Unit::kSecond, date);
  return c;
}

std::optional<Date> Calendar::dateFromComponents(const DateComponents& c) const {
  if (!c.year) return std::nullopt;
  auto cal = Make(zone_);
  if (!cal) return std::nullopt;
  cal->clear();
  cal->setLenient(true);
  cal->set(UCAL_EXTENDED_YEAR, *c.year);
  cal->set(UCAL_MONTH, c.month.value_or(1) - 1);
  cal->set(UCAL_DATE, c.day.value_or(1));
  cal->set(UCAL_HOUR_OF_DAY, c.hour.value_or(0));
  cal->set(UCAL_MINUTE, c.minute.value_or(0));
  cal->set(UCAL_SECOND, c.second.value_or(0));
  UErrorCode status = U_ZERO_ERROR;
  const UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return Date{ms / 1000.0};
}

std::optional<Date> Calendar::dateByAdding(Unit unit, int value, Date date) const {
  auto cal = Make(zone_);
  if (!cal) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(date.secondsSince1970 * 1000.0, status);
  cal->add(Field(unit), value, status);
  const UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return Date{ms / 1000.0};
}

Date Calendar::startOfDay(Date date) const {
  auto cal = Make(zone_);
  if (!cal) return date;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(date.secondsSince1970 * 1000.0, status);
  cal->set(UCAL_HOUR_OF_DAY, 0);
  cal->set(UCAL_MINUTE, 0);
  cal->set(UCAL_SECOND, 0);
  cal->set(UCAL_MILLISECOND, 0);
  const UDate ms = cal->getTime(status);
  if (U_FAILURE(status)) return date;
  return Date{ms / 1000.0};
}

}  // namespace platform
