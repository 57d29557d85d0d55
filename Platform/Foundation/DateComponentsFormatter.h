// Durations as positional text ("1:05"): minutes and seconds by default,
// hours in front when allowed. Every unit after the first has two digits;
// zero hours in front show only with zero padding ("0:01:05"). Seconds are
// rounded to the nearest whole one.
#pragma once

#include <optional>
#include <string>

namespace platform {

class DateComponentsFormatter {
 public:
  enum class UnitsStyle { kPositional = 0 };
  enum class ZeroFormattingBehavior { kDefault = 0, kPad = 1 };
  enum Unit : unsigned { kHour = 1u << 5, kMinute = 1u << 6, kSecond = 1u << 7 };

  void setUnitsStyle(UnitsStyle style) { style_ = style; }
  void setZeroFormattingBehavior(ZeroFormattingBehavior behavior) { zero_ = behavior; }
  // Any combination of kHour, kMinute, kSecond; at least kSecond is used.
  void setAllowedUnits(unsigned units) { units_ = units; }

  // None for a negative or non-finite interval.
  std::optional<std::string> stringFromTimeInterval(double seconds) const;

 private:
  UnitsStyle style_ = UnitsStyle::kPositional;
  ZeroFormattingBehavior zero_ = ZeroFormattingBehavior::kDefault;
  unsigned units_ = kMinute | kSecond;
};

}  // namespace platform
