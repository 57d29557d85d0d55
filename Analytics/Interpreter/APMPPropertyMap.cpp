#include "Analytics/Interpreter/APMPPropertyMap.h"

#include "Analytics/Interpreter/APMPHeap.h"

namespace {
constexpr size_t kIndexThreshold = 12;
}

const APMPPropertyMap::Entry* APMPPropertyMap::find(const APMPStringValue* name) const {
  if (index_) {
    auto it = index_->find(name);
    return it == index_->end() ? nullptr : &entries_[it->second];
  }
  for (const Entry& e : entries_)
    if (e.name.object() == name) return &e;
  return nullptr;
}

APMPPropertyMap::Entry* APMPPropertyMap::find(const APMPStringValue* name) {
  return const_cast<Entry*>(static_cast<const APMPPropertyMap*>(this)->find(name));
}

APMPRuntimeValue APMPPropertyMap::valueForName(const APMPStringValue* name) const {
  const Entry* e = find(name);
  return e ? e->value : APMPRuntimeValue();
}

void APMPPropertyMap::put(APMPStringValue* name, APMPRuntimeValue value, bool immutable) {
  if (immutable_) return;
  if (Entry* e = find(name)) {
    if (e->immutable) return;
    e->value = std::move(value);
    e->immutable = immutable;
    return;
  }
  entries_.push_back(Entry{APMPRuntimeValue(name), std::move(value), immutable});
  if (index_) {
    index_->emplace(name, static_cast<uint32_t>(entries_.size() - 1));
  } else if (entries_.size() > kIndexThreshold) {
    reindex();
  }
}

void APMPPropertyMap::setValue(APMPStringValue* name, APMPRuntimeValue value) { put(name, std::move(value), false); }

void APMPPropertyMap::setImmutableValue(APMPStringValue* name, APMPRuntimeValue value) {
  put(name, std::move(value), true);
}

void APMPPropertyMap::removeValueForName(const APMPStringValue* name) {
  if (immutable_) return;
  const Entry* e = find(name);
  if (!e || e->immutable) return;
  entries_.erase(entries_.begin() + (e - entries_.data()));
  if (index_) reindex();
}

void APMPPropertyMap::reindex() {
  if (entries_.size() <= kIndexThreshold) {
    index_.reset();
    return;
  }
  if (!index_) index_ = std::make_unique<std::unordered_map<const APMPStringValue*, uint32_t>>();
  index_->clear();
  for (size_t i = 0; i < entries_.size(); ++i)
    index_->emplace(entries_[i].name.asString(), static_cast<uint32_t>(i));
}

bool APMPPropertyMap::hasName(std::u16string_view name) const { return hasName(APMPHeap::current()->intern(name)); }

APMPRuntimeValue APMPPropertyMap::valueForName(std::u16string_view name) const {
  return valueForName(APMPHeap::current()->intern(name));
}

void APMPPropertyMap::setValue(std::u16string_view name, APMPRuntimeValue value) {
  setValue(APMPHeap::current()->intern(name), std::move(value));
}

void APMPPropertyMap::trace(APMPTracer& t) const {
  for (const Entry& e : entries_) {
    t.visit(e.name.object());
    if (APMPHeapObject* o = e.value.object()) t.visit(o);
  }
}

void APMPPropertyMap::clear() {
  std::vector<Entry> dropped;
  dropped.swap(entries_);
  index_.reset();
}
