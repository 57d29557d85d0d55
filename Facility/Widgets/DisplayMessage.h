// Information texts shown as toasts.
#pragma once

#include <array>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class DisplayMessageCase {
  sensitivityUpdated,
};

class DisplayMessage : public StringBackedEnum<DisplayMessage, DisplayMessageCase, 1> {
 public:
  using Case = DisplayMessageCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case sensitivityUpdated = Case::sensitivityUpdated;
  static const std::array<std::string, 1>& texts();
};
