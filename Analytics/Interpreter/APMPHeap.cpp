#include "Analytics/Interpreter/APMPHeap.h"

#include <vector>

#include "Analytics/Interpreter/APMPStringValue.h"

namespace {

thread_local APMPHeap* tCurrentHeap = nullptr;
thread_local std::vector<APMPHeapObject*>* tPending = nullptr;
thread_local bool tDraining = false;

APMPHeap* fallbackHeap() {
  // Shared by objects made outside any runtime (hosts building values); kept
  // for the process so that such objects never outlive their heap.
  static APMPHeap* heap = APMPHeap::create();
  return heap;
}

}  // namespace

APMPHeapObject::APMPHeapObject(APMPKind kind) : kind_(kind), heap_(APMPHeap::current()) { heap_->link(this); }

APMPHeapObject::~APMPHeapObject() { heap_->unlink(this); }

void APMPHeapObject::destroy(APMPHeapObject* object) {
  if (tDraining) {
    if (!tPending) tPending = new std::vector<APMPHeapObject*>();
    tPending->push_back(object);
    return;
  }
  tDraining = true;
  delete object;
  while (tPending && !tPending->empty()) {
    APMPHeapObject* next = tPending->back();
    tPending->pop_back();
    delete next;
  }
  delete tPending;
  tPending = nullptr;
  tDraining = false;
}

APMPHeap* APMPHeap::current() { return tCurrentHeap ? tCurrentHeap : fallbackHeap(); }

APMPHeap* APMPHeap::create() { return new APMPHeap(); }

APMPHeap::~APMPHeap() = default;

void APMPHeap::releaseHeap() {
  if (--holders_ == 0) delete this;
}

void APMPHeap::link(APMPHeapObject* o) {
  retainHeap();
  o->next_ = head_;
  if (head_) head_->prev_ = o;
  head_ = o;
  ++count_;
  ++madeSinceCollect_;
}

void APMPHeap::unlink(APMPHeapObject* o) {
  if (o->prev_) o->prev_->next_ = o->next_;
  else head_ = o->next_;
  if (o->next_) o->next_->prev_ = o->prev_;
  --count_;
  releaseHeap();
}

APMPStringValue* APMPHeap::intern(std::u16string_view text) {
  auto it = interned_.find(text);
  if (it != interned_.end()) return it->second;
  APMPHeapScope scope(this);
  auto* s = new APMPStringValue(std::u16string(text));
  s->interned_ = true;
  interned_.emplace(std::u16string_view(s->text_), s);
  return s;
}

APMPStringValue* APMPHeap::intern(APMPStringValue* string) {
  if (string->interned_ && string->heap() == this) return string;
  auto it = interned_.find(std::u16string_view(string->text_));
  if (it != interned_.end()) return it->second;
  if (string->heap() != this) return intern(std::u16string_view(string->text_));
  string->interned_ = true;
  interned_.emplace(std::u16string_view(string->text_), string);
  return string;
}

void APMPHeap::forgetInterned(APMPStringValue* s) {
  auto it = interned_.find(std::u16string_view(s->text_));
  if (it != interned_.end() && it->second == s) interned_.erase(it);
}

namespace {

class CountingTracer final : public APMPTracer {
 public:
  explicit CountingTracer(APMPHeap* heap) : heap_(heap) {}
  void visit(APMPHeapObject* o) override {
    if (o && o->heap() == heap_) --refsOf(o);
  }
  static uint32_t& refsOf(APMPHeapObject* o);

 private:
  APMPHeap* heap_;
};

}  // namespace

// The collector needs the private bookkeeping fields; a small friend shim.
struct APMPHeapCollector {
  static uint32_t& refs(APMPHeapObject* o) { return o->gcRefs_; }
  static uint8_t& mark(APMPHeapObject* o) { return o->gcMark_; }
  static APMPHeapObject* next(APMPHeapObject* o) { return o->next_; }
};

uint32_t& CountingTracer::refsOf(APMPHeapObject* o) { return APMPHeapCollector::refs(o); }

namespace {

class MarkingTracer final : public APMPTracer {
 public:
  MarkingTracer(APMPHeap* heap, std::vector<APMPHeapObject*>* stack) : heap_(heap), stack_(stack) {}
  void visit(APMPHeapObject* o) override {
    if (o && o->heap() == heap_ && !APMPHeapCollector::mark(o)) {
      APMPHeapCollector::mark(o) = 1;
      stack_->push_back(o);
    }
  }

 private:
  APMPHeap* heap_;
  std::vector<APMPHeapObject*>* stack_;
};

}  // namespace

void APMPHeap::collectCycles() {
  retainHeap();
  // 1. References from outside the heap = count - references from heap objects.
  for (APMPHeapObject* o = head_; o; o = APMPHeapCollector::next(o)) {
    APMPHeapCollector::refs(o) = o->refCount();
    APMPHeapCollector::mark(o) = 0;
  }
  CountingTracer counter(this);
  for (APMPHeapObject* o = head_; o; o = APMPHeapCollector::next(o)) o->trace(counter);
  // 2. Mark everything reachable from externally held objects.
  std::vector<APMPHeapObject*> stack;
  MarkingTracer marker(this, &stack);
  for (APMPHeapObject* o = head_; o; o = APMPHeapCollector::next(o)) {
    if (APMPHeapCollector::refs(o) > 0 && !APMPHeapCollector::mark(o)) {
      APMPHeapCollector::mark(o) = 1;
      stack.push_back(o);
    }
  }
  while (!stack.empty()) {
    APMPHeapObject* o = stack.back();
    stack.pop_back();
    o->trace(marker);
  }
  // 3. The rest is garbage held only by itself: break its references.
  std::vector<APMPHeapObject*> garbage;
  for (APMPHeapObject* o = head_; o; o = APMPHeapCollector::next(o)) {
    if (!APMPHeapCollector::mark(o)) garbage.push_back(o);
  }
  for (APMPHeapObject* o : garbage) o->retain();
  for (APMPHeapObject* o : garbage) o->clearReferences();
  for (APMPHeapObject* o : garbage) o->release();
  madeSinceCollect_ = 0;
  survivors_ = count_ > 1024 ? count_ : 1024;
  releaseHeap();
}

void APMPHeap::collectCyclesIfDue() {
  if (madeSinceCollect_ >= survivors_) collectCycles();
}

APMPHeapScope::APMPHeapScope(APMPHeap* heap) : previous_(tCurrentHeap) { tCurrentHeap = heap; }

APMPHeapScope::~APMPHeapScope() { tCurrentHeap = previous_; }
