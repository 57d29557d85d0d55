#include "Analytics/Interpreter/APMPMapValue.h"

APMPMapValue::APMPMapValue() : APMPHeapObject(APMPKind::kMap) {}

APMPRuntimeValue APMPMapValue::applyNative(const std::u16string&, APMPValueSpan, APMPScope*, APMPExec&,
                                           bool* handled) {
  *handled = false;
  return APMPRuntimeValue();
}

void APMPMapValue::trace(APMPTracer& t) {
  properties_.trace(t);
  traceNative(t);
}

void APMPMapValue::clearReferences() {
  properties_.clear();
  clearNative();
}
