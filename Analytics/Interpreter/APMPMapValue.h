// Map value: properties by name in insertion order. Native objects derive
// from it to answer methods of their own.
#pragma once

#include <string>

#include "Analytics/Interpreter/APMPArgs.h"
#include "Analytics/Interpreter/APMPPropertyMap.h"

class APMPMapValue : public APMPHeapObject {
 public:
  APMPMapValue();
  APMPPropertyMap& properties() { return properties_; }
  const APMPPropertyMap& properties() const { return properties_; }

  // Methods of a native object; `handled` false falls back to the map rules.
  virtual APMPRuntimeValue applyNative(const std::u16string& name, APMPValueSpan args, APMPScope* scope,
                                       APMPExec& x, bool* handled);
  void trace(APMPTracer& t) override;
  void clearReferences() override;

  bool converting = false;

 protected:
  virtual void traceNative(APMPTracer&) {}
  virtual void clearNative() {}

 private:
  APMPPropertyMap properties_;
};
