// A statement: an opcode (or function name) and its unevaluated arguments.
#pragma once

#include <string>
#include <vector>

#include "Analytics/Interpreter/APMPRuntimeValue.h"

class APMPStatementValue final : public APMPHeapObject {
 public:
  APMPStatementValue(std::u16string_view functionName, std::vector<APMPRuntimeValue> arguments);

  // The registered opcode, or -1 when the name goes to the function evaluator.
  int opcode() const { return opcode_; }
  // Interned function name.
  const APMPRuntimeValue& functionName() const { return name_; }
  const std::vector<APMPRuntimeValue>& arguments() const { return arguments_; }
  bool isEqualTo(const APMPRuntimeValue& other) const;

  // The opcode of a name, or -1.
  static int opcodeForName(std::u16string_view name);

  void trace(APMPTracer& t) override;
  void clearReferences() override;

 private:
  int opcode_;
  APMPRuntimeValue name_;
  std::vector<APMPRuntimeValue> arguments_;
};
