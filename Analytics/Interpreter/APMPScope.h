// A scope: variables by interned name, with a parent chain.
#pragma once

#include <string_view>

#include "Analytics/Interpreter/APMPPropertyMap.h"

class APMPScope final : public APMPHeapObject {
 public:
  explicit APMPScope(APMPScope* parent);
  ~APMPScope() override;

  APMPScope* parent() const { return parent_; }
  APMPScope* createChildScope();  // new scope (reference count 0: hold it)
  bool hasName(const APMPStringValue* name) const;
  APMPRuntimeValue valueForName(const APMPStringValue* name) const;
  void setValue(APMPStringValue* name, APMPRuntimeValue value);
  void addValue(APMPStringValue* name, APMPRuntimeValue value);
  void addImmutableValue(APMPStringValue* name, APMPRuntimeValue value);
  void makeImmutable() { contents_.makeImmutable(); }
  APMPPropertyMap& contents() { return contents_; }

  // Text conveniences.
  bool hasName(std::u16string_view name) const;
  APMPRuntimeValue valueForName(std::u16string_view name) const;
  void setValue(std::u16string_view name, APMPRuntimeValue value);
  void addValue(std::u16string_view name, APMPRuntimeValue value);

  // The root scope's read-only counter binding: `name` reads as *counter.
  void bindCounter(APMPStringValue* name, const uint32_t* counter);

  void trace(APMPTracer& t) override;
  void clearReferences() override;

 private:
  APMPScope* parent_;
  APMPPropertyMap contents_;
  const APMPStringValue* counterName_ = nullptr;
  const uint32_t* counter_ = nullptr;
};
