#include "Analytics/Interpreter/APMPFunctionValue.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPScope.h"

APMPFunctionValue::APMPFunctionValue(std::u16string functionName, std::vector<APMPRuntimeValue> parameterNames,
                                     std::vector<APMPRuntimeValue> statements, APMPScope* definingScope)
    : APMPHeapObject(APMPKind::kFunction),
      functionName_(std::move(functionName)),
      parameters_(std::move(parameterNames)),
      statements_(std::move(statements)),
      definingScope_(definingScope) {
  if (definingScope_) definingScope_->retain();
}

APMPFunctionValue::APMPFunctionValue(std::u16string functionName)
    : APMPHeapObject(APMPKind::kFunction), functionName_(std::move(functionName)), definingScope_(nullptr) {}

APMPFunctionValue::~APMPFunctionValue() {
  if (definingScope_) definingScope_->release();
}

void APMPEvaluateArguments(APMPValueSpan raw, APMPScope* scope, APMPExec& x, APMPArgs* out) {
  for (const APMPRuntimeValue& a : raw) {
    out->push_back(APMPEvaluator::evaluateStatement(a, scope, x));
    if (x.failed()) return;
  }
}

APMPRuntimeValue APMPFunctionValue::invoke(APMPValueSpan arguments, APMPScope* scope, APMPExec& x) {
  APMPArgs evaluated;
  APMPEvaluateArguments(arguments, scope, x, &evaluated);
  if (x.failed()) return APMPRuntimeValue();
  return invokeEvaluated(evaluated, x);
}

APMPRuntimeValue APMPFunctionValue::invokeEvaluated(APMPValueSpan arguments, APMPExec& x) {
  APMPDepthGuard depth(x);
  if (!depth.ok()) return APMPRuntimeValue();
  APMPScope* callScope = definingScope_ ? definingScope_->createChildScope() : new APMPScope(nullptr);
  APMPRuntimeValue hold(callScope);
  for (size_t i = 0; i < parameters_.size(); ++i) {
    callScope->addValue(parameters_[i].asString(), i < arguments.size() ? arguments[i] : APMPRuntimeValue());
  }
  APMPRuntimeValue result = APMPEvaluator::executeStatements(statements_, callScope, x);
  if (x.failed()) return APMPRuntimeValue();
  if (result.isReturn()) return result.controlData();
  return result;
}

void APMPFunctionValue::trace(APMPTracer& t) {
  for (const APMPRuntimeValue& p : parameters_) t.visit(p.object());
  for (const APMPRuntimeValue& s : statements_)
    if (APMPHeapObject* o = s.object()) t.visit(o);
  if (definingScope_) t.visit(definingScope_);
  properties_.trace(t);
  traceNative(t);
}

void APMPFunctionValue::clearReferences() {
  std::vector<APMPRuntimeValue> droppedStatements;
  droppedStatements.swap(statements_);
  properties_.clear();
  if (definingScope_) {
    APMPScope* s = definingScope_;
    definingScope_ = nullptr;
    s->release();
  }
  clearNative();
}
