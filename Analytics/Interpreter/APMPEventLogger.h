// "internal.eventLogger": logs a created event into the event context.
#pragma once

#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPEventContext;

class APMPEventLogger final : public APMPFunctionValue {
 public:
  explicit APMPEventLogger(APMPEventContext* context)
      : APMPFunctionValue(u"internal.eventLogger"), eventContext_(context) {}
  APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x) override;

 private:
  APMPEventContext* eventContext_;
};
