// Named properties in insertion order, with per-name and whole-map
// immutability. Names are interned string objects compared by identity.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Analytics/Interpreter/APMPStringValue.h"

class APMPPropertyMap {
 public:
  struct Entry {
    APMPRuntimeValue name;  // interned string
    APMPRuntimeValue value;
    bool immutable = false;
  };

  APMPPropertyMap() = default;
  APMPPropertyMap(const APMPPropertyMap&) = delete;
  APMPPropertyMap& operator=(const APMPPropertyMap&) = delete;

  // `name` must be interned.
  bool hasName(const APMPStringValue* name) const { return find(name) != nullptr; }
  const Entry* find(const APMPStringValue* name) const;
  Entry* find(const APMPStringValue* name);
  APMPRuntimeValue valueForName(const APMPStringValue* name) const;
  void setValue(APMPStringValue* name, APMPRuntimeValue value);
  void setImmutableValue(APMPStringValue* name, APMPRuntimeValue value);
  void removeValueForName(const APMPStringValue* name);
  void makeImmutable() { immutable_ = true; }
  bool isImmutable() const { return immutable_; }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::vector<Entry>& entries() const { return entries_; }

  // Text conveniences (intern through the current heap).
  bool hasName(std::u16string_view name) const;
  APMPRuntimeValue valueForName(std::u16string_view name) const;
  void setValue(std::u16string_view name, APMPRuntimeValue value);

  void trace(APMPTracer& t) const;
  void clear();

 private:
  void put(APMPStringValue* name, APMPRuntimeValue value, bool immutable);
  void reindex();

  std::vector<Entry> entries_;
  std::unique_ptr<std::unordered_map<const APMPStringValue*, uint32_t>> index_;
  bool immutable_ = false;
};
