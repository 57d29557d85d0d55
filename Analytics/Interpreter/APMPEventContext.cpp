#include "Analytics/Interpreter/APMPEventContext.h"

void APMPEventContext::setInputEvent(const APMPEvent& event) {
  inputEvent_ = event;
  outputEvent_ = event;
  loggedEvents_.clear();
}

void APMPEventContext::logEventWithName(const std::string& name, int64_t timestamp,
                                        const APMPPlatformObject::Dictionary& parameters) {
  APMPPlatformObject::Dictionary adjusted;
  for (const auto& [k, v] : parameters) {
    if (v.isNil()) continue;
    adjusted[k] = v.isNumber() ? APMPEvent::adjustedNumber(v, k, inputEvent_.parameterForName(k)) : v;
  }
  loggedEvents_.emplace_back(name, static_cast<double>(timestamp), std::move(adjusted));
}
