// The global "require": creates each module once per runtime and caches it.
#pragma once

#include "Analytics/Interpreter/APMPDynamicProvider.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPRequire final : public APMPFunctionValue {
 public:
  explicit APMPRequire(APMPDynamicProvider* provider);
  APMPRuntimeValue invoke(APMPValueSpan arguments, APMPScope* scope, APMPExec& x) override;

 protected:
  void traceNative(APMPTracer& t) override { modules_.trace(t); }
  void clearNative() override { modules_.clear(); }

 private:
  APMPDynamicProvider* provider_;
  APMPPropertyMap modules_;  // the cache
};
