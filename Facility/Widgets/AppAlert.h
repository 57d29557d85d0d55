// Alert titles and button words; each text is its case name.
#pragma once

#include <array>
#include <string>

#include "Facility/Widgets/StringBackedEnum.h"

enum class AppAlertCase {
  Alert,
  Ok,
  Cancel,
  Sorry,
  Success,
  Confirm,
};

class AppAlert : public StringBackedEnum<AppAlert, AppAlertCase, 6> {
 public:
  using Case = AppAlertCase;
  using StringBackedEnum::StringBackedEnum;
  static constexpr Case Alert = Case::Alert;
  static constexpr Case Ok = Case::Ok;
  static constexpr Case Cancel = Case::Cancel;
  static constexpr Case Sorry = Case::Sorry;
  static constexpr Case Success = Case::Success;
  static constexpr Case Confirm = Case::Confirm;
  static const std::array<std::string, 6>& texts();
};
