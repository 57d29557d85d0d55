// Base of every reference-counted interpreter object. Counts are not atomic:
// a runtime and its values belong to one thread at a time.
#pragma once

#include <cstdint>

enum class APMPKind : uint8_t;
class APMPHeap;

// Receives the objects another object holds strongly.
class APMPTracer {
 public:
  virtual ~APMPTracer() = default;
  virtual void visit(class APMPHeapObject* object) = 0;
};

class APMPHeapObject {
 public:
  explicit APMPHeapObject(APMPKind kind);
  virtual ~APMPHeapObject();
  APMPHeapObject(const APMPHeapObject&) = delete;
  APMPHeapObject& operator=(const APMPHeapObject&) = delete;

  APMPKind kind() const { return kind_; }
  APMPHeap* heap() const { return heap_; }
  void retain() { ++refCount_; }
  void release() {
    if (--refCount_ == 0) destroy(this);
  }
  uint32_t refCount() const { return refCount_; }

  // Every heap object held strongly, for the cycle collector.
  virtual void trace(APMPTracer& tracer) = 0;
  // Drops every strong reference (used to break garbage cycles).
  virtual void clearReferences() = 0;

 private:
  friend class APMPHeap;
  friend struct APMPHeapCollector;
  // Deletes iteratively so that long chains never recurse deeply.
  static void destroy(APMPHeapObject* object);

  uint32_t refCount_ = 0;
  APMPKind kind_;
  uint8_t gcMark_ = 0;
  uint32_t gcRefs_ = 0;
  APMPHeap* heap_;
  APMPHeapObject* prev_ = nullptr;
  APMPHeapObject* next_ = nullptr;
};
