#include "Analytics/Interpreter/APMPStatementValue.h"

#include "Analytics/Interpreter/APMPStringValue.h"

APMPStatementValue::APMPStatementValue(std::u16string_view functionName, std::vector<APMPRuntimeValue> arguments)
    : APMPHeapObject(APMPKind::kStatement),
      opcode_(opcodeForName(functionName)),
      name_(APMPName(functionName)),
      arguments_(std::move(arguments)) {}

int APMPStatementValue::opcodeForName(std::u16string_view name) {
  if (name.empty() || name.size() > 2) return -1;
  if (name.size() == 2 && name[0] == u'0') return -1;
  int v = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return -1;
    v = v * 10 + (c - u'0');
  }
  switch (v) {
    case 11: case 14: case 31: case 48: case 49:
      return -1;
    default:
      return v <= 66 ? v : -1;
  }
}

bool APMPStatementValue::isEqualTo(const APMPRuntimeValue& other) const {
  const APMPStatementValue* o = other.asStatement();
  if (!o) return false;
  if (o == this) return true;
  if (name_.asString()->text() != o->name_.asString()->text()) return false;
  if (arguments_.size() != o->arguments_.size()) return false;
  for (size_t i = 0; i < arguments_.size(); ++i)
    if (!arguments_[i].isEqualTo(o->arguments_[i])) return false;
  return true;
}

void APMPStatementValue::trace(APMPTracer& t) {
  t.visit(name_.object());
  for (const APMPRuntimeValue& a : arguments_)
    if (APMPHeapObject* o = a.object()) t.visit(o);
}

void APMPStatementValue::clearReferences() {
  std::vector<APMPRuntimeValue> dropped;
  dropped.swap(arguments_);
}
