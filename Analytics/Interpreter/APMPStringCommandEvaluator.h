// The string methods reached through the method-call command. Positions and
// lengths count UTF-16 units of the receiver.
#pragma once

#include <string>

#include "Analytics/Interpreter/APMPArgs.h"

class APMPStringCommandEvaluator {
 public:
  static const APMPStringCommandEvaluator& sharedInstance();
  APMPRuntimeValue evaluateCommand(const std::u16string& name, const std::u16string& text, APMPValueSpan arguments,
                                   APMPScope* scope, APMPExec& x) const;
  static bool supports(const std::u16string& name);
};
