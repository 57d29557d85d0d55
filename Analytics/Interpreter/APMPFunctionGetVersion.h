// "getVersion" of the platform module: the runtime version, whatever the arguments.
#pragma once

#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPFunctionGetVersion final : public APMPFunctionValue {
 public:
  APMPFunctionGetVersion() : APMPFunctionValue(u"getVersion") {}
  APMPRuntimeValue invoke(APMPValueSpan, APMPScope*, APMPExec&) override { return APMPRuntimeValue::number(0); }
  APMPRuntimeValue invokeEvaluated(APMPValueSpan, APMPExec&) override { return APMPRuntimeValue::number(0); }
};
