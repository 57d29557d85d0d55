#include "Analytics/Interpreter/APMPRuntime.h"

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPRequire.h"
#include "Analytics/Interpreter/APMPRuntimePlatform.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"

APMPRuntime::APMPRuntime() : heap_(APMPHeap::create()) {
  APMPHeapScope active(heap_);
  exec_.runtime = this;
  initScope_ = new APMPScope(nullptr);
  initScope_->retain();
  globalScope_ = initScope_->createChildScope();
  globalScope_->retain();
  globalScope_->addValue(u"require", APMPRuntimeValue(new APMPRequire(&apiProvider_)));
  apiProvider_.setModuleCreator([] { return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPRuntimePlatform())); },
                                u"internal.platform");
  // The counter is native: the name reads the count and ignores writes.
  initScope_->bindCounter(heap_->intern(u"runtime.counter"), &exec_.counter);
  resetInstructionCount();
}

APMPRuntime::~APMPRuntime() {
  {
    APMPHeapScope active(heap_);
    globalScope_->release();
    initScope_->release();
    heap_->collectCycles();
  }
  heap_->releaseHeap();
}

void APMPRuntime::setModuleCreator(APMPModuleCreator creator, const std::u16string& name) {
  apiProvider_.setModuleCreator(std::move(creator), name);
}

void APMPRuntime::beginRun() {
  exec_.error = APMPError();
  exec_.depth = 0;
}

APMPRuntimeValue APMPRuntime::executeStatements(const std::vector<APMPEntity>& entities, APMPError* error) {
  APMPHeapScope active(heap_);
  beginRun();
  APMPRuntimeValue result;
  for (const APMPEntity& e : entities) {
    APMPError conversion;
    APMPRuntimeValue v = APMPRuntimeEntityConverter::runtimeValueFromRuntimeEntity(e, &conversion);
    if (conversion) {
      if (error) *error = conversion;
      return APMPRuntimeValue();
    }
    result = APMPEvaluator::evaluateStatement(v, globalScope_, exec_);
    if (exec_.failed()) {
      if (error) *error = exec_.error;
      return APMPRuntimeValue();
    }
  }
  return result;
}

APMPRuntimeValue APMPRuntime::executeValues(APMPValueSpan values, APMPError* error) {
  APMPHeapScope active(heap_);
  beginRun();
  APMPRuntimeValue result;
  for (const APMPRuntimeValue& v : values) {
    result = APMPEvaluator::evaluateStatement(v, globalScope_, exec_);
    if (exec_.failed()) {
      if (error) *error = exec_.error;
      return APMPRuntimeValue();
    }
  }
  return result;
}

APMPRuntimeValue APMPRuntime::getRunScope() {
  APMPHeapScope active(heap_);
  return APMPRuntimeValue(globalScope_->createChildScope());
}

int64_t APMPRuntime::getInstructionCount(APMPError*) const { return exec_.counter; }

void APMPRuntime::resetInstructionCount() { exec_.resetBudget(); }
