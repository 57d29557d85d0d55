#include "Analytics/Interpreter/APMPScope.h"

#include "Analytics/Interpreter/APMPHeap.h"

APMPScope::APMPScope(APMPScope* parent) : APMPHeapObject(APMPKind::kScope), parent_(parent) {
  if (parent_) parent_->retain();
}

APMPScope::~APMPScope() {
  if (parent_) parent_->release();
}

APMPScope* APMPScope::createChildScope() { return new APMPScope(this); }

bool APMPScope::hasName(const APMPStringValue* name) const {
  for (const APMPScope* s = this; s; s = s->parent_)
    if (s->contents_.hasName(name)) return true;
  return false;
}

APMPRuntimeValue APMPScope::valueForName(const APMPStringValue* name) const {
  for (const APMPScope* s = this; s; s = s->parent_) {
    if (const APMPPropertyMap::Entry* e = s->contents_.find(name)) {
      if (s->counter_ && name == s->counterName_) return APMPRuntimeValue::number(*s->counter_);
      return e->value;
    }
  }
  return APMPRuntimeValue();
}

void APMPScope::setValue(APMPStringValue* name, APMPRuntimeValue value) {
  // Iterative walk: the nearest scope holding the name is updated.
  APMPScope* s = this;
  while (true) {
    if (s->contents_.isImmutable()) return;
    if (s->contents_.hasName(name)) {
      s->contents_.setValue(name, std::move(value));
      return;
    }
    if (!s->parent_ || !s->parent_->hasName(name)) break;
    s = s->parent_;
  }
  s->contents_.setValue(name, std::move(value));
}

void APMPScope::addValue(APMPStringValue* name, APMPRuntimeValue value) {
  if (contents_.isImmutable()) return;
  contents_.setValue(name, std::move(value));
}

void APMPScope::addImmutableValue(APMPStringValue* name, APMPRuntimeValue value) {
  if (contents_.isImmutable()) return;
  contents_.setImmutableValue(name, std::move(value));
}

bool APMPScope::hasName(std::u16string_view name) const { return hasName(APMPHeap::current()->intern(name)); }

APMPRuntimeValue APMPScope::valueForName(std::u16string_view name) const {
  return valueForName(APMPHeap::current()->intern(name));
}

void APMPScope::setValue(std::u16string_view name, APMPRuntimeValue value) {
  setValue(APMPHeap::current()->intern(name), std::move(value));
}

void APMPScope::addValue(std::u16string_view name, APMPRuntimeValue value) {
  addValue(APMPHeap::current()->intern(name), std::move(value));
}

void APMPScope::bindCounter(APMPStringValue* name, const uint32_t* counter) {
  contents_.setImmutableValue(name, APMPRuntimeValue::number(0));
  counterName_ = name;
  counter_ = counter;
}

void APMPScope::trace(APMPTracer& t) {
  if (parent_) t.visit(parent_);
  contents_.trace(t);
}

void APMPScope::clearReferences() {
  contents_.clear();
  if (parent_) {
    APMPScope* p = parent_;
    parent_ = nullptr;
    p->release();
  }
}
