// Captions of the loader with message.
#pragma once

#include <array>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class LoaderMsgCase {
  wait,
  verifying,
  authenticating,
  connecting,
};

class LoaderMsg : public StringBackedEnum<LoaderMsg, LoaderMsgCase, 4> {
 public:
  using Case = LoaderMsgCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case wait = Case::wait;
  static constexpr Case verifying = Case::verifying;
  static constexpr Case authenticating = Case::authenticating;
  static constexpr Case connecting = Case::connecting;
  static const std::array<std::string, 4>& texts();
};
