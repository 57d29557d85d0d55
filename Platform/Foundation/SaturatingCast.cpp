#include "Platform/Foundation/SaturatingCast.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {

template <typename T>
T Saturate(double value) {
  if (std::isnan(value)) return 0;
  // The limits as doubles are 2^63 (or 2^64) and -2^63 exactly, so the
  // comparisons catch every value the cast could not represent.
  if (value <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (value >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(value);
}

}  // namespace

int64_t SaturatingCast::toInt64(double value) { return Saturate<int64_t>(value); }
uint64_t SaturatingCast::toUInt64(double value) { return Saturate<uint64_t>(value); }

}  // namespace platform
