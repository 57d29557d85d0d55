#include "Analytics/Interpreter/APMPRequire.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPHeap.h"

APMPRequire::APMPRequire(APMPDynamicProvider* provider) : APMPFunctionValue(u"require"), provider_(provider) {}

APMPRuntimeValue APMPRequire::invoke(APMPValueSpan arguments, APMPScope* scope, APMPExec& x) {
  if (arguments.size() != 1) {
    x.fail(kAPMPErrArgumentCount);
    return APMPRuntimeValue();
  }
  APMPRuntimeValue nameValue = APMPEvaluator::evaluateStatement(arguments[0], scope, x);
  if (x.failed()) return APMPRuntimeValue();
  std::u16string name = nameValue.stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  APMPStringValue* key = APMPHeap::current()->intern(name);
  if (const APMPPropertyMap::Entry* e = modules_.find(key)) return e->value;
  std::optional<APMPRuntimeValue> module = provider_->moduleForName(name, x);
  if (!module || x.failed()) return APMPRuntimeValue();
  modules_.setValue(key, *module);
  return *module;
}
