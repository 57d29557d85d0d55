// The one network failure text.
#pragma once

#include <array>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class ErrorMsgCase {
  noInternet,
};

class ErrorMsg : public StringBackedEnum<ErrorMsg, ErrorMsgCase, 1> {
 public:
  using Case = ErrorMsgCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case noInternet = Case::noInternet;
  static const std::array<std::string, 1>& texts();
};
