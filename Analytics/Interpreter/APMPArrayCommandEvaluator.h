// The array methods reached through the method-call command.
#pragma once

#include <string>

#include "Analytics/Interpreter/APMPArgs.h"

class APMPArrayCommandEvaluator {
 public:
  static const APMPArrayCommandEvaluator& sharedInstance();
  // Unknown names fail with 17 before anything is evaluated.
  APMPRuntimeValue evaluateCommand(const std::u16string& name, const APMPRuntimeValue& array, APMPValueSpan arguments,
                                   APMPScope* scope, APMPExec& x) const;
  static bool supports(const std::u16string& name);
};
