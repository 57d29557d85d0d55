// Timers on the main run loop, timed by the injected Clock.
//
// A scheduled timer fires its block on the main thread after interval
// seconds; a repeating one fires every interval after that (missed fires are
// skipped, not bunched) until invalidated. The run loop keeps a valid timer
// alive, so callers may hold it only to invalidate it. An interval <= 0 is
// taken as 0.1 ms.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "Platform/Foundation/DispatchWorkItem.h"

namespace platform {

class Timer : public std::enable_shared_from_this<Timer> {
 public:
  using Block = std::function<void(Timer&)>;

  static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Block block);

  // Stops the timer for good; a pending fire never runs. Safe from any thread
  // and from inside the timer's own block; idempotent.
  void invalidate();
  bool isValid() const { return valid_.load(); }
  bool repeats() const { return repeats_; }
  double timeInterval() const { return interval_; }

  struct PrivateTag {};
  Timer(PrivateTag, double interval, bool repeats, Block block);

 private:
  void schedule(double dueUptime);
  void fire();

  double interval_;
  bool repeats_;
  Block block_;
  std::atomic<bool> valid_{true};
  double fireUptime_ = 0;     // main thread only
  DispatchWorkItemPtr pending_;  // guarded by mu_
  std::mutex mu_;
};

using TimerPtr = std::shared_ptr<Timer>;

}  // namespace platform
