#include "Analytics/Interpreter/APMPEditingCallbackHandler.h"

#include <algorithm>

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPEventContext.h"
#include "Analytics/Interpreter/APMPEventNativeFunctions.h"
#include "Analytics/Interpreter/APMPFunctionValue.h"

void APMPEditingCallbackHandler::registerWithPriority(int64_t priority, const APMPRuntimeValue& callback,
                                                      RuleType type, APMPExec& x) {
  if (editCallbackMap_.size() + createCallbackMap_.size() >= kMaxCallbacks) {
    x.failWith(APMPError::editing(4));
    return;
  }
  switch (type) {
    case RuleType::kCreate: addCallback(callback, &createCallbackMap_, &sortedCreatePriorities_, priority); break;
    case RuleType::kEdit: addCallback(callback, &editCallbackMap_, &sortedEditPriorities_, priority); break;
    case RuleType::kOther: x.failWith(APMPError::editing(3)); break;
  }
}

void APMPEditingCallbackHandler::addCallback(const APMPRuntimeValue& callback,
                                             std::map<int64_t, APMPRuntimeValue>* dictionary,
                                             std::vector<int64_t>* keys, int64_t priority) {
  if (dictionary->count(priority)) priority = *std::max_element(keys->begin(), keys->end()) + 1;
  (*dictionary)[priority] = callback;
  keys->push_back(priority);
  std::sort(keys->begin(), keys->end());
}

int32_t APMPEditingCallbackHandler::invokeCallbackWithScope(APMPScope* scope, const APMPRuntimeValue& function,
                                                            const APMPRuntimeValue& eventHandler, APMPExec& x) {
  APMPFunctionValue* fn = function.asFunction();
  if (!fn) return -1;
  APMPRuntimeValue result = fn->invoke(APMPValueSpan(&eventHandler, 1), scope, x);
  if (x.failed()) return 2;
  if (result.isNumber()) return APMPToInt32(result.numberValue());
  return -1;
}

void APMPEditingCallbackHandler::triggerCallbacksWithScope(APMPScope* scope, APMPEventContext* context, APMPExec& x) {
  APMPRuntimeValue handler(new APMPEventNativeFunctions(context));
  // Snapshots: a callback may register further callbacks while they run.
  std::vector<APMPRuntimeValue> edits, creates;
  for (int64_t p : sortedEditPriorities_) edits.push_back(editCallbackMap_[p]);
  for (int64_t p : sortedCreatePriorities_) creates.push_back(createCallbackMap_[p]);
  for (const APMPRuntimeValue& callback : edits) {
    APMPEvent saved = context->outputEvent();
    int32_t code = invokeCallbackWithScope(scope, callback, handler, x);
    if (x.failed()) {
      context->setOutputEvent(saved);
      return;
    }
    if (code == 2 || code == -1) context->setOutputEvent(saved);
  }
  for (const APMPRuntimeValue& callback : creates) {
    invokeCallbackWithScope(scope, callback, handler, x);
    if (x.failed()) return;
  }
}

void APMPEditingCallbackHandler::clear() {
  editCallbackMap_.clear();
  sortedEditPriorities_.clear();
  createCallbackMap_.clear();
  sortedCreatePriorities_.clear();
}
