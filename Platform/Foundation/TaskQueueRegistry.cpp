#include "Platform/Foundation/TaskQueueRegistry.h"

#include <chrono>

#include "Platform/Foundation/TaskQueue.h"

namespace platform {

TaskQueueRegistry& TaskQueueRegistry::shared() {
  // Leaked: queues may unregister during static destruction.
  static TaskQueueRegistry* registry = new TaskQueueRegistry();
  return *registry;
}

void TaskQueueRegistry::add(TaskQueue* queue) {
  std::lock_guard<std::mutex> lock(mu_);
  queues_.insert(queue);
}

void TaskQueueRegistry::remove(TaskQueue* queue) {
  std::lock_guard<std::mutex> lock(mu_);
  queues_.erase(queue);
}

void TaskQueueRegistry::wakeAll() {
  std::lock_guard<std::mutex> lock(mu_);
  for (TaskQueue* q : queues_) q->wake();
}

bool TaskQueueRegistry::allIdle() const {
  if (pendingWork_.load() > 0) return false;
  std::lock_guard<std::mutex> lock(mu_);
  for (TaskQueue* q : queues_) {
    if (!q->isIdle()) return false;
  }
  return true;
}

void TaskQueueRegistry::suspendAll() {
  std::lock_guard<std::mutex> lock(mu_);
  for (TaskQueue* q : queues_) q->suspend();
}

std::optional<double> TaskQueueRegistry::earliestDue() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::optional<double> best;
  for (TaskQueue* q : queues_) {
    std::optional<double> due = q->nextDue();
    if (due && (!best || *due < *best)) best = due;
  }
  return best;
}

void TaskQueueRegistry::addPendingWork(int delta) {
  pendingWork_.fetch_add(delta);
  noteActivity();
}

void TaskQueueRegistry::noteActivity() {
  generation_.fetch_add(1);
  // A waiter registers before it checks the generation, so either it sees the
  // new value or we see it and notify (both sequentially consistent).
  if (waiters_.load() == 0) return;
  { std::lock_guard<std::mutex> lock(activityMu_); }
  activityCv_.notify_all();
}

void TaskQueueRegistry::waitForActivity(std::uint64_t seen, double maxWallSeconds) {
  waiters_.fetch_add(1);
  {
    std::unique_lock<std::mutex> lock(activityMu_);
    activityCv_.wait_for(lock, std::chrono::duration<double>(maxWallSeconds),
                         [&] { return generation_.load() != seen; });
  }
  waiters_.fetch_sub(1);
}

}  // namespace platform
