#include "Analytics/Interpreter/APMPControlValue.h"

APMPControlValue::APMPControlValue(APMPRuntimeValue data) : APMPHeapObject(APMPKind::kReturn), data_(std::move(data)) {}

void APMPControlValue::trace(APMPTracer& t) {
  if (APMPHeapObject* o = data_.object()) t.visit(o);
}
