// A return control value; break and continue are immortal tags of the handle.
#pragma once

#include "Analytics/Interpreter/APMPRuntimeValue.h"

class APMPControlValue final : public APMPHeapObject {
 public:
  explicit APMPControlValue(APMPRuntimeValue data);
  const APMPRuntimeValue& data() const { return data_; }
  void trace(APMPTracer& t) override;
  void clearReferences() override { data_ = APMPRuntimeValue(); }

 private:
  APMPRuntimeValue data_;
};
