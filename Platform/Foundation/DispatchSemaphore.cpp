#include "Platform/Foundation/DispatchSemaphore.h"

#include "Platform/Foundation/Clock.h"

namespace platform {

DispatchSemaphore::DispatchSemaphore(long initialValue) : value_(initialValue) {}

void DispatchSemaphore::signal() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    ++value_;
  }
  cv_.notify_one();
}

bool DispatchSemaphore::wait(double timeoutSeconds) {
  std::unique_lock<std::mutex> lock(mu_);
  if (!WaitOnClock(lock, cv_, timeoutSeconds, [this] { return value_ > 0; })) return false;
  --value_;
  return true;
}

}  // namespace platform
