#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"

#include <mutex>

namespace {

struct Slot {
  std::mutex mu;
  std::shared_ptr<QRVAnalyticsCalls> calls;
};

Slot& CallsSlot() {
  static Slot* slot = new Slot;
  return *slot;
}

}  // namespace

std::shared_ptr<QRVAnalyticsCalls> QRVAnalyticsCalls::installed() {
  std::lock_guard<std::mutex> lock(CallsSlot().mu);
  return CallsSlot().calls;
}

void QRVAnalyticsCalls::install(std::shared_ptr<QRVAnalyticsCalls> calls) {
  std::lock_guard<std::mutex> lock(CallsSlot().mu);
  CallsSlot().calls = std::move(calls);
}
