// A shared pointer that one thread may replace while others read it. Reads
// take their own reference, so an object swapped out stays alive until the
// expression that used it has finished. Spelled like a shared_ptr member
// (p->f(), if (p), p = q) so a field can switch to it in place.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

template <typename T>
class APMAtomicSharedPtr {
 public:
  APMAtomicSharedPtr() = default;
  APMAtomicSharedPtr(std::shared_ptr<T> value) : value_(std::move(value)) {}  // NOLINT: stands in for a shared_ptr
  APMAtomicSharedPtr(const APMAtomicSharedPtr&) = delete;
  APMAtomicSharedPtr& operator=(const APMAtomicSharedPtr&) = delete;

  APMAtomicSharedPtr& operator=(std::shared_ptr<T> value) {
    value_.store(std::move(value));
    return *this;
  }
  std::shared_ptr<T> load() const { return value_.load(); }
  void reset() { value_.store(nullptr); }

  // The returned reference lives until the end of the full expression.
  std::shared_ptr<T> operator->() const { return value_.load(); }
  explicit operator bool() const { return static_cast<bool>(value_.load()); }
  bool operator==(std::nullptr_t) const { return value_.load() == nullptr; }

 private:
  std::atomic<std::shared_ptr<T>> value_;
};
