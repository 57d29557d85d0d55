// The event being edited: the input, the output that callbacks change, and
// the events that create callbacks log.
#pragma once

#include <vector>

#include "Analytics/Interpreter/APMPEvent.h"

class APMPEventContext {
 public:
  APMPEventContext() = default;
  explicit APMPEventContext(const APMPEvent& event) { setInputEvent(event); }

  // Stores the input, makes the output a copy and empties the logged events.
  void setInputEvent(const APMPEvent& event);
  // Parameters are adjusted against the input event; nil values are left out.
  void logEventWithName(const std::string& name, int64_t timestamp, const APMPPlatformObject::Dictionary& parameters);
  const std::vector<APMPEvent>& eventsToLog() const { return loggedEvents_; }
  const APMPEvent& inputEvent() const { return inputEvent_; }
  const APMPEvent& outputEvent() const { return outputEvent_; }
  APMPEvent& mutableOutputEvent() { return outputEvent_; }
  void setOutputEvent(const APMPEvent& event) { outputEvent_ = event; }

 private:
  std::vector<APMPEvent> loggedEvents_;
  APMPEvent inputEvent_;
  APMPEvent outputEvent_;
};
