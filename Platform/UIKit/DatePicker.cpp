#include "Platform/UIKit/DatePicker.h"

#include "Platform/Foundation/Clock.h"

namespace uikit {

DatePicker::DatePicker() : Control(Rect(0, 0, 320, 216)), date_(platform::Clock::nowSeconds()) {}

double DatePicker::clamp(double d) const {
  if (minimumDate && d < *minimumDate) d = *minimumDate;
  if (maximumDate && d > *maximumDate) d = *maximumDate;
  return d;
}

void DatePicker::setDate(double secondsSince1970, bool animated) {
  (void)animated;
  date_ = clamp(secondsSince1970);
}

void DatePicker::userSelectDate(double secondsSince1970) {
  if (!isEnabled()) return;
  date_ = clamp(secondsSince1970);
  sendActionsForControlEvents(kControlEventValueChanged);
}

}  // namespace uikit
