// A counting semaphore whose timed wait runs on the injected clock.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class DispatchSemaphore {
 public:
  explicit DispatchSemaphore(long initialValue = 0);

  void signal();
  // Takes one unit, waiting up to timeoutSeconds (negative: no limit).
  // True when a unit was taken, false on timeout.
  bool wait(double timeoutSeconds = -1.0);

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  long value_;
};

}  // namespace platform
