// Every live TaskQueue, so the manual clock can wake them all, find the next
// due block anywhere, and tell when the whole process has settled. Internal.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>

namespace platform {

class TaskQueue;

class TaskQueueRegistry {
 public:
  static TaskQueueRegistry& shared();

  void add(TaskQueue* queue);
  void remove(TaskQueue* queue);

  void wakeAll();
  bool allIdle() const;
  // Holds every queue for good: no block starts after this, even a delayed
  // one that falls due. A process calls it before it ends, so no worker runs
  // while static storage is being destroyed; blocks already running finish.
  void suspendAll();
  std::optional<double> earliestDue() const;

  // Bumped whenever a block is queued or finishes; lets a driver tell that
  // "all idle" held across a whole check.
  std::uint64_t generation() const { return generation_.load(); }
  void noteActivity();
  // Work running outside any queue (a network transfer) that the drivers must
  // wait for as if a queue were busy; delta is +1 when it starts, -1 after its
  // outcome has been handed to a queue.
  void addPendingWork(int delta);
  // Waits until the generation moves past seen or maxWallSeconds pass.
  void waitForActivity(std::uint64_t seen, double maxWallSeconds);

 private:
  mutable std::mutex mu_;
  std::set<TaskQueue*> queues_;
  std::atomic<int> pendingWork_{0};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<int> waiters_{0};  // skip the notify on the hot path when nobody waits
  std::mutex activityMu_;
  std::condition_variable activityCv_;
};

}  // namespace platform
