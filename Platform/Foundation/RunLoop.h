// The main run loop: one FIFO of blocks run on the main thread in turns.
//
// - async() never runs the block inside the caller's turn, even when called
//   from the main thread; it runs in a later turn, in submission order.
// - asyncAfter() runs blocks by due time (on the injected Clock), equal due
//   times in submission order; the returned item can be cancelled.
// - async/asyncAfter/post are safe from any thread.
// - The application drives the loop with run()/stop(); tests pump it with
//   runUntilIdle() or the ManualClock drivers. Pump it from the main thread.
//
// The main thread is the process's initial thread.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Foundation/DispatchWorkItem.h"

namespace platform {

class TaskQueue;

class RunLoop {
 public:
  static RunLoop& main();
  // True on the process's initial thread.
  static bool isMainThread();

  void async(std::function<void()> block);
  void async(DispatchWorkItemPtr item);
  // Same as async(); named for callers that hand work over from other threads.
  void post(std::function<void()> block) { async(std::move(block)); }
  // delaySeconds <= 0 behaves like async(). Cancel the result to drop the block.
  DispatchWorkItemPtr asyncAfter(double delaySeconds, std::function<void()> block);
  void asyncAfter(double delaySeconds, DispatchWorkItemPtr item);

  // Runs every block that is ready now, including blocks they queue for a
  // later turn, until none is ready. Does not wait for future blocks.
  // Returns the number of blocks run.
  int runUntilIdle();
  // Runs ready blocks and waits (injected clock) for due ones until stop().
  void run();
  // Makes run() return after its current block. Thread-safe.
  void stop();
  // Pumps until condition() holds or wallTimeout real seconds passed; waits
  // for delayed blocks on the injected clock meanwhile. Returns condition().
  bool runUntil(const std::function<bool()>& condition, double wallTimeout);

  // No block ready now (delayed blocks not yet due do not count).
  bool isIdle() const;
  // Drops every queued and delayed block; for test teardown.
  void removeAllPending();

  // The shared core; used by DispatchQueue::main() and the clock drivers.
  const std::shared_ptr<TaskQueue>& taskQueue() const { return core_; }

 private:
  RunLoop();
  std::shared_ptr<TaskQueue> core_;
};

}  // namespace platform
