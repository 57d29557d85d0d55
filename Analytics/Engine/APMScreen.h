// One screen the user looked at: its name and class as reported, the
// instance ID that ties the screen-view event to later events, and whether
// the app named it (the manual call, or its own "screen_view" event).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Analytics/Engine/APMEvent.h"

class APMScreen {
 public:
  APMScreen(std::optional<std::string> name, std::optional<std::string> className, int64_t instanceID);

  // A copy keeps name, class name and ID only.
  APMScreen copy() const { return APMScreen(name_, className_, instanceID_); }

  const std::optional<std::string>& name() const { return name_; }
  const std::optional<std::string>& className() const { return className_; }
  int64_t instanceID() const { return instanceID_; }
  bool isManuallySet() const { return isManuallySet_; }
  void setIsManuallySet(bool value) { isManuallySet_ = value; }
  bool isManuallyTracked() const { return isManuallyTracked_; }
  void setIsManuallyTracked(bool value) { isManuallyTracked_ = value; }
  // Seconds since 1970; the time of the app's own screen-view event.
  double eventTimestamp() const { return eventTimestamp_; }
  void setEventTimestamp(double value) { eventTimestamp_ = value; }

  // "_si", and "_sc" / "_sn" when valid. An empty or invalid class is logged
  // (31014 / 31015) and then neither text is added.
  APMEvent::Parameters currentScreenParameters() const;
  // "_pi", and "_pc" (non-empty, valid) / "_pn" (valid).
  APMEvent::Parameters previousScreenParameters() const;

 private:
  std::optional<std::string> name_;
  std::optional<std::string> className_;
  int64_t instanceID_ = 0;
  bool isManuallySet_ = false;
  bool isManuallyTracked_ = false;
  double eventTimestamp_ = 0;
};
