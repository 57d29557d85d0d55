// A user property that another library asks the engine to set later: when
// an event of the trigger name is logged within the trigger time-out, kept
// for its time to live, with events to log on triggering, time-out and
// expiry. A value type: copies are independent.
#pragma once

#include <optional>
#include <string>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Storage/APMValue.h"

class APMConditionalUserProperty {
 public:
  const std::string& name() const { return name_; }
  void setName(std::string value) { name_ = std::move(value); }
  const std::string& origin() const { return origin_; }
  void setOrigin(std::string value) { origin_ = std::move(value); }
  const std::optional<APMValue>& value() const { return value_; }
  void setValue(std::optional<APMValue> value) { value_ = std::move(value); }
  // Empty: triggered at once.
  const std::string& triggerEventName() const { return triggerEventName_; }
  void setTriggerEventName(std::string value) { triggerEventName_ = std::move(value); }
  // Seconds.
  double triggerTimeout() const { return triggerTimeout_; }
  void setTriggerTimeout(double value) { triggerTimeout_ = value; }
  double timeToLive() const { return timeToLive_; }
  void setTimeToLive(double value) { timeToLive_ = value; }
  const std::optional<APMEvent>& triggeredEvent() const { return triggeredEvent_; }
  void setTriggeredEvent(std::optional<APMEvent> value) { triggeredEvent_ = std::move(value); }
  const std::optional<APMEvent>& timedOutEvent() const { return timedOutEvent_; }
  void setTimedOutEvent(std::optional<APMEvent> value) { timedOutEvent_ = std::move(value); }
  // On a clear request, the clear event.
  const std::optional<APMEvent>& expiredEvent() const { return expiredEvent_; }
  void setExpiredEvent(std::optional<APMEvent> value) { expiredEvent_ = std::move(value); }
  // Seconds since 1970.
  double creationTimestamp() const { return creationTimestamp_; }
  void setCreationTimestamp(double value) { creationTimestamp_ = value; }
  bool isActive() const { return active_; }
  void setActive(bool value) { active_ = value; }
  double triggeredTimestamp() const { return triggeredTimestamp_; }
  void setTriggeredTimestamp(double value) { triggeredTimestamp_ = value; }

 private:
  std::string name_;
  std::string origin_;
  std::optional<APMValue> value_;
  std::string triggerEventName_;
  double triggerTimeout_ = 0;
  double timeToLive_ = 0;
  std::optional<APMEvent> triggeredEvent_;
  std::optional<APMEvent> timedOutEvent_;
  std::optional<APMEvent> expiredEvent_;
  double creationTimestamp_ = 0;
  bool active_ = false;
  double triggeredTimestamp_ = 0;
};
