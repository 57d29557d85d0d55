// A clock that only moves when a test moves it, plus the drivers that let a
// test run every queue of the process deterministically against it.
//
//   auto clock = std::make_shared<platform::ManualClock>();
//   platform::Clock::setCurrent(clock);   // install before creating queues
//   queue->after(2.0, fn);
//   clock->runFor(2.0);                   // fn has run when this returns
//
// Drivers pump the main run loop on the calling thread (call them from the
// main thread) and wait for the worker threads of every live DispatchQueue and
// OperationQueue to go idle. A suspended queue counts as idle.
#pragma once

#include <functional>
#include <mutex>

#include "Platform/Foundation/Clock.h"

namespace platform {

class ManualClock final : public Clock {
 public:
  // Starts at the given wall time (seconds since 1970) and uptime.
  explicit ManualClock(double startNow = 1700000000.0, double startUptime = 1000.0);

  double now() const override;
  double uptime() const override;
  bool isManual() const override { return true; }

  // Moves both times forward (negative or NaN is ignored) and wakes every
  // queue so blocks now due become ready. Does not wait for them.
  void advance(double seconds);
  // Jumps the wall time only (a user changing the phone's date); uptime stays.
  void setNow(double secondsSince1970);

  // Advances in steps to each due time up to now + seconds, releasing blocks
  // on every queue in due order; returns when the main loop and all queues are
  // idle at the final time. Returns false if work never settled (see below).
  bool runFor(double seconds, double wallLimit = kSettleLimit);
  // Runs whatever is ready on the main loop and all queues, without moving
  // time, until everything is idle. Gives up (logs, returns false) after
  // wallLimit seconds of wall time so a stuck block cannot hang a test.
  bool runUntilIdle(double wallLimit = kSettleLimit);
  // Pumps the main loop (time does not move) until condition() is true or
  // wallTimeout real seconds passed; for replies that come from real I/O.
  // Returns the last value of condition().
  bool runUntil(const std::function<bool()>& condition, double wallTimeout);

  static constexpr double kSettleLimit = 30.0;

 private:
  // Sets uptime to exactly target (when later) and moves wall time alike.
  void advanceTo(double targetUptime);

  mutable std::mutex mu_;
  double now_;
  double uptime_;
};

}  // namespace platform
