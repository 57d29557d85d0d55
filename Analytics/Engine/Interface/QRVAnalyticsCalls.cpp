#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"

#include <mutex>

namespace {

struct Slot {
  std::mutex mu;
  std::shared_ptr<QRVAnalyticsCalls> calls;
};

Slot& Shared() {
  static Slot* slot = new Slot;
  return *slot;
}

}  // namespace

std::shared_ptr<QRVAnalyticsCalls> QRVAnalyticsCalls::installed() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return Shared().calls;
}

void QRVAnalyticsCalls::install(std::shared_ptr<QRVAnalyticsCalls> calls) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().calls = std::move(calls);
}
