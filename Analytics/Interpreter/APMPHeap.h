// The set of objects of one runtime: names are interned here, and garbage
// cycles (a scope holding a function that holds the scope, a self-containing
// array) are found and broken here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Analytics/Interpreter/APMPHeapObject.h"

class APMPStringValue;

class APMPHeap {
 public:
  // The heap that new objects join: the innermost APMPHeapScope of this
  // thread, else a process-wide fallback whose cycles are never collected.
  static APMPHeap* current();

  static APMPHeap* create();  // reference count 1
  void retainHeap() { ++holders_; }
  void releaseHeap();

  // The interned string object for a text (created when absent).
  APMPStringValue* intern(std::u16string_view text);
  // The interned equal of a string object (the object itself when it becomes the interned one).
  APMPStringValue* intern(APMPStringValue* string);

  // Frees every object reachable only from garbage cycles.
  void collectCycles();
  // Collects when at least as many objects were made as survived the last collection.
  void collectCyclesIfDue();
  size_t objectCount() const { return count_; }

 private:
  friend class APMPHeapObject;
  friend class APMPStringValue;
  APMPHeap() = default;
  ~APMPHeap();
  void link(APMPHeapObject* o);
  void unlink(APMPHeapObject* o);
  void forgetInterned(APMPStringValue* s);

  size_t holders_ = 1;
  APMPHeapObject* head_ = nullptr;
  size_t count_ = 0;
  size_t madeSinceCollect_ = 0;
  size_t survivors_ = 1024;
  std::unordered_map<std::u16string_view, APMPStringValue*> interned_;
};

// Makes a heap current on this thread for its lifetime.
class APMPHeapScope {
 public:
  explicit APMPHeapScope(APMPHeap* heap);
  ~APMPHeapScope();
  APMPHeapScope(const APMPHeapScope&) = delete;
  APMPHeapScope& operator=(const APMPHeapScope&) = delete;

 private:
  APMPHeap* previous_;
};
