// Argument lists: a borrowed view (APMPValueSpan) and an owning list with
// room for four values inline, so that most commands allocate nothing.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "Analytics/Interpreter/APMPRuntimeValue.h"

struct APMPValueSpan {
  const APMPRuntimeValue* data = nullptr;
  size_t count = 0;

  APMPValueSpan() = default;
  APMPValueSpan(const APMPRuntimeValue* d, size_t n) : data(d), count(n) {}
  APMPValueSpan(const std::vector<APMPRuntimeValue>& v) : data(v.data()), count(v.size()) {}  // NOLINT
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  const APMPRuntimeValue& operator[](size_t i) const { return data[i]; }
  const APMPRuntimeValue* begin() const { return data; }
  const APMPRuntimeValue* end() const { return data + count; }
};

class APMPArgs {
 public:
  APMPArgs() = default;
  APMPArgs(const APMPArgs&) = delete;
  APMPArgs& operator=(const APMPArgs&) = delete;

  void push_back(APMPRuntimeValue v) {
    if (size_ < kInline && spill_.empty()) {
      inline_[size_++] = std::move(v);
      return;
    }
    if (spill_.empty()) {
      spill_.reserve(kInline * 2);
      for (size_t i = 0; i < size_; ++i) spill_.push_back(std::move(inline_[i]));
    }
    spill_.push_back(std::move(v));
    ++size_;
  }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const APMPRuntimeValue& operator[](size_t i) const { return spill_.empty() ? inline_[i] : spill_[i]; }
  APMPValueSpan span() const { return spill_.empty() ? APMPValueSpan(inline_, size_) : APMPValueSpan(spill_.data(), size_); }
  operator APMPValueSpan() const { return span(); }  // NOLINT

 private:
  static constexpr size_t kInline = 4;
  APMPRuntimeValue inline_[kInline];
  std::vector<APMPRuntimeValue> spill_;
  size_t size_ = 0;
};
