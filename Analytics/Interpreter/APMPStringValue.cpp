#include "Analytics/Interpreter/APMPStringValue.h"

#include "Analytics/Interpreter/APMPHeap.h"

APMPStringValue::APMPStringValue(std::u16string text) : APMPHeapObject(APMPKind::kString), text_(std::move(text)) {}

APMPStringValue::~APMPStringValue() {
  if (interned_) heap()->forgetInterned(this);
}

APMPRuntimeValue APMPName(std::u16string_view text) { return APMPRuntimeValue(APMPHeap::current()->intern(text)); }
