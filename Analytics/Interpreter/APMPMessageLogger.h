// The "internal.logger" module: "log", "silent.log" and "unmonitored.log".
#pragma once

#include <memory>

#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMTesselLogger.h"

class APMPMessageLogger final : public APMPFunctionValue {
 public:
  explicit APMPMessageLogger(std::shared_ptr<APMTesselLogger> logger);
  APMPRuntimeValue invoke(APMPValueSpan, APMPScope*, APMPExec&) override { return APMPRuntimeValue(); }
  APMPRuntimeValue invokeEvaluated(APMPValueSpan, APMPExec&) override { return APMPRuntimeValue(); }
};
