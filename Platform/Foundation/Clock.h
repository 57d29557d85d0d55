// Time, behind one seam. Production code asks Clock::nowSeconds(); tests install
// a ManualClock (see ManualClock.h) and drive it.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;

  // Wall time in seconds since 1970-01-01 UTC.
  virtual double now() const = 0;
  // Monotonic seconds since an arbitrary origin; never goes backwards.
  virtual double uptime() const = 0;
  // True for a clock that tests advance by hand.
  virtual bool isManual() const { return false; }

  // The process-wide clock every queue, timer and formatter uses.
  // Defaults to the wall clock.
  // Hold the returned pointer while using it: setCurrent may replace the
  // clock on another thread at any time.
  static std::shared_ptr<Clock> currentShared();
  // Wall time on the current clock.
  static double nowSeconds();
  // Installing a clock wakes every queue so pending delays are re-timed.
  static void setCurrent(std::shared_ptr<Clock> clock);
};

// Waits on cv (lock held) until ready() holds or timeoutSeconds pass on the
// current clock (negative: no limit). On a manual clock the timeout runs out
// only when the clock is advanced. Returns ready().
bool WaitOnClock(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                 double timeoutSeconds, const std::function<bool()>& ready);

}  // namespace platform
