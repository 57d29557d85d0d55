// A date picker: a date (seconds since 1970), a mode and optional limits.
#pragma once

#include <optional>

#include "Platform/UIKit/Control.h"

namespace uikit {

enum class DatePickerMode { kTime, kDate, kDateAndTime, kCountDownTimer };
enum class DatePickerStyle { kAutomatic, kWheels, kCompact, kInline };

class DatePicker : public Control {
 public:
  DatePicker();

  double date() const { return date_; }
  // Clamped to the limits; sends nothing (a program change).
  void setDate(double secondsSince1970, bool animated = false);
  DatePickerMode datePickerMode = DatePickerMode::kDateAndTime;
  DatePickerStyle preferredDatePickerStyle = DatePickerStyle::kAutomatic;
  std::optional<double> minimumDate;
  std::optional<double> maximumDate;
  long minuteInterval = 1;

  // A person spins the wheels to a date: clamped, then value-changed.
  void userSelectDate(double secondsSince1970);

 private:
  double clamp(double d) const;
  double date_;
};

}  // namespace uikit
