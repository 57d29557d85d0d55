// Function value: a program-defined function (parameters, statements, the
// defining scope) or, in subclasses, a native function.
#pragma once

#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPPropertyMap.h"

class APMPFunctionValue : public APMPHeapObject {
 public:
  APMPFunctionValue(std::u16string functionName, std::vector<APMPRuntimeValue> parameterNames,
                    std::vector<APMPRuntimeValue> statements, APMPScope* definingScope);
  // A native function: a name, no parameters, no statements, a fresh root scope.
  explicit APMPFunctionValue(std::u16string functionName);
  ~APMPFunctionValue() override;

  const std::u16string& functionName() const { return functionName_; }
  const std::vector<APMPRuntimeValue>& parameterNames() const { return parameters_; }
  APMPPropertyMap& properties() { return properties_; }
  const APMPPropertyMap& properties() const { return properties_; }

  // invokeWithArguments:scope:error: (raw arguments evaluated in `scope`).
  virtual APMPRuntimeValue invoke(APMPValueSpan arguments, APMPScope* scope, APMPExec& x);
  // invokeWithEvaluatedArguments:error:
  virtual APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x);

  void trace(APMPTracer& t) override;
  void clearReferences() override;

  bool converting = false;

 protected:
  virtual void traceNative(APMPTracer&) {}
  virtual void clearNative() {}

 private:
  std::u16string functionName_;
  std::vector<APMPRuntimeValue> parameters_;  // interned names
  std::vector<APMPRuntimeValue> statements_;
  APMPScope* definingScope_;  // strong; null for natives
  APMPPropertyMap properties_;
};

// Evaluates raw arguments in order; stops after the first error (that
// argument's result is still appended).
void APMPEvaluateArguments(APMPValueSpan raw, APMPScope* scope, APMPExec& x, APMPArgs* out);
