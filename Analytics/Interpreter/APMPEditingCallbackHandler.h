// The "edit" and "create" callbacks a program registered, by priority.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPError.h"

class APMPEventContext;
class APMPScope;
struct APMPExec;

class APMPEditingCallbackHandler {
 public:
  static constexpr size_t kMaxCallbacks = 1000;
  enum class RuleType { kEdit, kCreate, kOther };

  // Fails with editing code 4 (too many) or 3 (unknown type) through x.
  void registerWithPriority(int64_t priority, const APMPRuntimeValue& callback, RuleType type, APMPExec& x);
  // A taken priority becomes the largest of that type + 1 (in 64 bits).
  static void addCallback(const APMPRuntimeValue& callback, std::map<int64_t, APMPRuntimeValue>* dictionary,
                          std::vector<int64_t>* keys, int64_t priority);
  void triggerCallbacksWithScope(APMPScope* scope, APMPEventContext* context, APMPExec& x);
  // 2 on an invocation error, the 32-bit number result, else -1.
  static int32_t invokeCallbackWithScope(APMPScope* scope, const APMPRuntimeValue& function,
                                         const APMPRuntimeValue& eventHandler, APMPExec& x);

  const std::vector<int64_t>& sortedEditPriorities() const { return sortedEditPriorities_; }
  const std::vector<int64_t>& sortedCreatePriorities() const { return sortedCreatePriorities_; }
  void clear();

 private:
  std::map<int64_t, APMPRuntimeValue> editCallbackMap_;
  std::vector<int64_t> sortedEditPriorities_;
  std::map<int64_t, APMPRuntimeValue> createCallbackMap_;
  std::vector<int64_t> sortedCreatePriorities_;
};
