// The Gregorian calendar in a time zone: components of a date, dates from
// components, date arithmetic and the start of a day.
#pragma once

#include <optional>

#include "Platform/Foundation/TimeZone.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class Calendar {
 public:
  enum class Unit { kYear, kMonth, kDay, kHour, kMinute, kSecond };

  // Months and days count from 1. Unset fields take their smallest value
  // (month 1, day 1, 00:00:00); the year has no default. Values out of range
  // carry over, as on the platform (month 13 of 2025 is January 2026).
  struct DateComponents {
    std::optional<int> year, month, day, hour, minute, second;
    friend bool operator==(const DateComponents&, const DateComponents&) = default;
  };

  explicit Calendar(TimeZone zone) : zone_(std::move(zone)) {}
  // Gregorian in the local zone at the time of the call.
  static Calendar current() { return Calendar(TimeZone::local()); }

  const TimeZone& timeZone() const { return zone_; }

  int component(Unit unit, Date date) const;
  // Every field set.
  DateComponents components(Date date) const;
  // Nothing when the year is missing.
  std::optional<Date> dateFromComponents(const DateComponents& components) const;
  // date moved by value units (a month later than 31 January is the last day
  // of February). Nothing when the result is out of the calendar's range.
  std::optional<Date> dateByAdding(Unit unit, int value, Date date) const;
  // 00:00:00 of date's day in this zone.
  Date startOfDay(Date date) const;

 private:
  TimeZone zone_;
};

}  // namespace platform
