// "internal.registerCallback": registers an edit or create callback.
#pragma once

#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPEditingCallbackHandler;

class APMPRegisterCallbackNativeFunctionValue final : public APMPFunctionValue {
 public:
  explicit APMPRegisterCallbackNativeFunctionValue(APMPEditingCallbackHandler* handler)
      : APMPFunctionValue(u"internal.registerCallback"), callbackHandler_(handler) {}
  APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x) override;

 private:
  APMPEditingCallbackHandler* callbackHandler_;
};
