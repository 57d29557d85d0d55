#include "Analytics/Interpreter/APMPRegisterCallbackNativeFunctionValue.h"

#include "Analytics/Interpreter/APMPEditingCallbackHandler.h"
#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPMapValue.h"

APMPRuntimeValue APMPRegisterCallbackNativeFunctionValue::invokeEvaluated(APMPValueSpan args, APMPExec& x) {
  if (args.size() != 3) return APMPFail(x, kAPMPErrArgumentCount);
  if (!args[1].isFunction() || !args[2].isMap()) return APMPFail(x, kAPMPErrArgumentKind);
  const APMPPropertyMap& options = args[2].asMap()->properties();
  const APMPPropertyMap::Entry* type = options.find(APMPHeap::current()->intern(u"type"));
  if (!type) {
    x.failWith(APMPError::editing(2));
    return APMPRuntimeValue();
  }
  std::u16string typeText = type->value.stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  int64_t priority = 1000;
  if (const APMPPropertyMap::Entry* p = options.find(APMPHeap::current()->intern(u"priority"))) {
    double d = p->value.doubleValue(x);
    if (x.failed()) return APMPRuntimeValue();
    priority = APMPToInt32(d);
  }
  APMPEditingCallbackHandler::RuleType ruleType = typeText == u"create" ? APMPEditingCallbackHandler::RuleType::kCreate
                                                  : typeText == u"edit" ? APMPEditingCallbackHandler::RuleType::kEdit
                                                                        : APMPEditingCallbackHandler::RuleType::kOther;
  callbackHandler_->registerWithPriority(priority, args[1], ruleType, x);
  return APMPRuntimeValue();
}
