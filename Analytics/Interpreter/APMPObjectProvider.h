// A module that hands programs a host object ("internal.appMetadata").
#pragma once

#include <functional>

#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPPlatformObject.h"

class APMPObjectProvider final : public APMPFunctionValue {
 public:
  using Block = std::function<APMPPlatformObject()>;
  APMPObjectProvider(std::u16string name, Block block)
      : APMPFunctionValue(std::move(name)), objectProviderBlock_(std::move(block)) {}
  APMPRuntimeValue invoke(APMPValueSpan arguments, APMPScope* scope, APMPExec& x) override;
  APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x) override;

 private:
  Block objectProviderBlock_;
};
