// A "log" function of the message logger.
#pragma once

#include <memory>

#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMTesselLogger.h"

class APMPFunctionLog final : public APMPFunctionValue {
 public:
  APMPFunctionLog(std::shared_ptr<APMTesselLogger> logger, bool silent, bool monitored)
      : APMPFunctionValue(u"log"), silent_(silent), monitored_(monitored), logger_(std::move(logger)) {}
  APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x) override;

 private:
  bool silent_;
  bool monitored_;
  std::shared_ptr<APMTesselLogger> logger_;
};
