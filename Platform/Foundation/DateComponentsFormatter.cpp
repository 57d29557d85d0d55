#include "Platform/Foundation/DateComponentsFormatter.h"

#include <cmath>
#include <cstdio>

namespace platform {

std::optional<std::string> DateComponentsFormatter::stringFromTimeInterval(double seconds) const {
  if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
  // Whole seconds; a huge interval is refused rather than overflowing.
  const double rounded = std::round(seconds);
  if (rounded > 9.0e15) return std::nullopt;
  auto rest = static_cast<long long>(rounded);
  const bool hours = (units_ & kHour) != 0;
  const bool minutes = (units_ & kMinute) != 0;
  const bool pad = zero_ == ZeroFormattingBehavior::kPad;

  long long h = 0;
  long long m = 0;
  if (hours) {
    h = rest / 3600;
    rest %= 3600;
  }
  if (minutes) {
    m = rest / 60;
    rest %= 60;
  }
  const long long s = rest;

  // The first shown unit is unpadded; without padding, zero hours in front
  // are left out (minutes and seconds always show: "0:03").
  std::string out;
  bool leading = true;
  auto put = [&](long long value, bool droppable) {
    if (leading && !pad && value == 0 && droppable) return;
    char buf[32];
    std::snprintf(buf, sizeof buf, leading ? "%lld" : ":%02lld", value);
    out += buf;
    leading = false;
  };
  if (hours) put(h, minutes);
  if (minutes) put(m, false);
  put(s, false);
  return out;
}

}  // namespace platform
