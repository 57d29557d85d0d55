// How near a reader must be before tap-and-go punches, as offered on the
// settings screen; stored as "1"/"2"/"3" and as the engine's integer.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class SensitivityLevelCase { Low, Medium, High };

class SensitivityLevel : public StringBackedEnum<SensitivityLevel, SensitivityLevelCase, 3> {
 public:
  using Case = SensitivityLevelCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case Low = Case::Low;
  static constexpr Case Medium = Case::Medium;
  static constexpr Case High = Case::High;
  // "Low", "Medium", "High", in this order.
  static const std::array<std::string, 3>& texts();

  // 1, 2 or 3.
  std::int64_t storedInteger() const { return static_cast<std::int64_t>(value()) + 1; }
  std::string storedText() const { return std::to_string(storedInteger()); }
};
