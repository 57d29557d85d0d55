// A string value: immutable UTF-16 text. Interned strings are the names of
// variables and properties and compare by identity.
#pragma once

#include <string>

#include "Analytics/Interpreter/APMPRuntimeValue.h"

class APMPStringValue final : public APMPHeapObject {
 public:
  explicit APMPStringValue(std::u16string text);
  ~APMPStringValue() override;

  const std::u16string& text() const { return text_; }
  bool interned() const { return interned_; }
  void trace(APMPTracer&) override {}
  void clearReferences() override {}

 private:
  friend class APMPHeap;
  std::u16string text_;
  bool interned_ = false;
};

// A value holding the interned name object for a text.
APMPRuntimeValue APMPName(std::u16string_view text);
