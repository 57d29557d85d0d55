// "silent": holds a silent, monitored "log"; invoking it logs nothing.
#pragma once

#include "Analytics/Interpreter/APMPFunctionLog.h"

class APMPFunctionLogSilent final : public APMPFunctionValue {
 public:
  explicit APMPFunctionLogSilent(std::shared_ptr<APMTesselLogger> logger) : APMPFunctionValue(u"silent") {
    properties().setValue(u"log", APMPRuntimeValue(new APMPFunctionLog(std::move(logger), true, true)));
  }
  APMPRuntimeValue invoke(APMPValueSpan, APMPScope*, APMPExec&) override { return APMPRuntimeValue(this); }
  APMPRuntimeValue invokeEvaluated(APMPValueSpan, APMPExec&) override { return APMPRuntimeValue(this); }
};
