// A time zone by identifier ("Europe/Berlin", "UTC", "GMT+05:30"), with its
// offset from GMT at a given moment (daylight saving included). The local
// zone is the host's (TZ, /etc/localtime) unless a test sets one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace platform {

class TimeZone {
 public:
  // Nothing for an identifier the time-zone database does not know.
  static std::optional<TimeZone> named(std::string_view identifier);
  static TimeZone gmt();
  // The process's local zone: the override when set, else the host's zone
  // (GMT when the host's cannot be determined).
  static TimeZone local();
  // Tests fix the local zone; nothing goes back to the host's.
  static void setLocalOverride(std::optional<TimeZone> zone);

  const std::string& identifier() const { return identifier_; }
  // Seconds east of GMT at date.
  int secondsFromGMT(Date date) const;
  // Seconds east of GMT now, on the injected clock.
  int secondsFromGMT() const;

  friend bool operator==(const TimeZone& a, const TimeZone& b) { return a.identifier_ == b.identifier_; }

 private:
  explicit TimeZone(std::string identifier) : identifier_(std::move(identifier)) {}
  std::string identifier_;
};

}  // namespace platform
