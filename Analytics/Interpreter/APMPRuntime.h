// A runtime: the root and global scopes, the module registry behind
// "require", the statement counter and the work budget.
#pragma once

#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPDynamicProvider.h"
#include "Analytics/Interpreter/APMPEntity.h"
#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"
#include "Analytics/Interpreter/APMPHeap.h"
#include "Analytics/Interpreter/APMPScope.h"

class APMPRuntime {
 public:
  static int runtimeVersion() { return 0; }

  APMPRuntime();
  ~APMPRuntime();
  APMPRuntime(const APMPRuntime&) = delete;
  APMPRuntime& operator=(const APMPRuntime&) = delete;

  void setModuleCreator(APMPModuleCreator creator, const std::u16string& name);
  // Converts and runs each entity in the global scope; the result of the last.
  APMPRuntimeValue executeStatements(const std::vector<APMPEntity>& entities, APMPError* error);
  // Runs already converted values.
  APMPRuntimeValue executeValues(APMPValueSpan values, APMPError* error);
  // A new child of the global scope (held by the returned value).
  APMPRuntimeValue getRunScope();
  int64_t getInstructionCount(APMPError* error) const;
  void resetInstructionCount();
  APMPScope* initialScope() const { return initScope_; }
  APMPScope* globalScope() const { return globalScope_; }

  APMPHeap* heap() const { return heap_; }
  APMPExec& exec() { return exec_; }
  // Starts a run: clears the error of the previous one.
  void beginRun();

 private:
  APMPHeap* heap_;
  APMPExec exec_;
  APMPScope* initScope_;
  APMPScope* globalScope_;
  APMPDynamicProvider apiProvider_;
};
