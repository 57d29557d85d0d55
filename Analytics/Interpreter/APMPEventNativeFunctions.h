// The event object handed to every edit and create callback.
#pragma once

#include "Analytics/Interpreter/APMPMapValue.h"

class APMPEventContext;

class APMPEventNativeFunctions final : public APMPMapValue {
 public:
  explicit APMPEventNativeFunctions(APMPEventContext* context) : eventContext_(context) {}
  APMPRuntimeValue applyNative(const std::u16string& name, APMPValueSpan args, APMPScope* scope, APMPExec& x,
                               bool* handled) override;

 private:
  APMPEventContext* eventContext_;
};

