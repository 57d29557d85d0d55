// The "internal.platform" module: a function value with "getVersion".
#pragma once

#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPRuntimePlatform final : public APMPFunctionValue {
 public:
  APMPRuntimePlatform();
  APMPRuntimeValue invoke(APMPValueSpan, APMPScope*, APMPExec&) override { return APMPRuntimeValue(); }
  APMPRuntimeValue invokeEvaluated(APMPValueSpan, APMPExec&) override { return APMPRuntimeValue(); }
};
