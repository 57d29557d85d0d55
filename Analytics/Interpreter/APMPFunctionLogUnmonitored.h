// "unmonitored": holds an unmonitored "log"; invoking it logs nothing.
#pragma once

#include "Analytics/Interpreter/APMPFunctionLog.h"

class APMPFunctionLogUnmonitored final : public APMPFunctionValue {
 public:
  explicit APMPFunctionLogUnmonitored(std::shared_ptr<APMTesselLogger> logger) : APMPFunctionValue(u"unmonitored") {
    properties().setValue(u"log", APMPRuntimeValue(new APMPFunctionLog(std::move(logger), false, false)));
  }
  APMPRuntimeValue invoke(APMPValueSpan, APMPScope*, APMPExec&) override { return APMPRuntimeValue(this); }
  APMPRuntimeValue invokeEvaluated(APMPValueSpan, APMPExec&) override { return APMPRuntimeValue(this); }
};
