#include "Platform/Foundation/TaskQueue.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TaskQueueRegistry.h"

namespace platform {

struct TaskQueue::Gate {
  bool granted = false;  // guarded by the queue's mutex
};

namespace {

thread_local std::vector<const TaskQueue*> t_running;

std::chrono::duration<double> Seconds(double s) { return std::chrono::duration<double>(std::max(s, 0.0)); }

}  // namespace

TaskQueue::Scope::Scope(const TaskQueue* q) { t_running.push_back(q); }
TaskQueue::Scope::~Scope() { t_running.pop_back(); }

TaskQueue::TaskQueue(std::string label, int width) : label_(std::move(label)), width_(std::max(width, 1)) {
  TaskQueueRegistry::shared().add(this);
}

TaskQueue::~TaskQueue() { TaskQueueRegistry::shared().remove(this); }

void TaskQueue::enqueue(DispatchWorkItemPtr item) {
  if (!item) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    ready_.push_back({std::move(item), nullptr});
  }
  cv_.notify_all();
  TaskQueueRegistry::shared().noteActivity();
}

void TaskQueue::enqueueAfter(double delaySeconds, DispatchWorkItemPtr item) {
  if (!item) return;
  if (!(delaySeconds > 0)) {  // also NaN
    enqueue(std::move(item));
    return;
  }
  const double due = Clock::currentShared()->uptime() + delaySeconds;
  {
    std::lock_guard<std::mutex> lock(mu_);
    delayed_.emplace(std::make_pair(due, seq_++), std::move(item));
  }
  cv_.notify_all();
  TaskQueueRegistry::shared().noteActivity();
}

void TaskQueue::performLogged(DispatchWorkItemPtr& item) {
  try {
    Scope scope(this);
    item->perform();
  } catch (const std::exception& e) {
    LogError("Uncaught exception in a block on queue \"" + label_ + "\": " + e.what());
  } catch (...) {
    LogError("Uncaught exception in a block on queue \"" + label_ + "\"");
  }
  item.reset();  // the block's captures die outside the lock
}

void TaskQueue::promoteDueLocked(double nowUptime) {
  while (!delayed_.empty() && delayed_.begin()->first.first <= nowUptime) {
    DispatchWorkItemPtr item = std::move(delayed_.begin()->second);
    delayed_.erase(delayed_.begin());
    if (!item->isCancelled()) ready_.push_back({std::move(item), nullptr});
  }
}

bool TaskQueue::runnableLocked() const { return running_ < width_ && suspendCount_ == 0 && !ready_.empty(); }

void TaskQueue::finishLocked() {
  --running_;
  // Only a ready block (or a sync caller's turn) waits for a slot; waking the
  // queue's threads for nothing costs two context switches per sync.
  if (!ready_.empty()) cv_.notify_all();
}

bool TaskQueue::runNext(bool wait) {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    if (wait && stopRequested_) return false;
    std::shared_ptr<Clock> clock = Clock::currentShared();
    promoteDueLocked(clock->uptime());
    if (runnableLocked()) {
      Entry entry = std::move(ready_.front());
      ready_.pop_front();
      ++running_;
      if (entry.gate) {
        // The sync caller runs its block on its own thread and frees the queue.
        entry.gate->granted = true;
        cv_.notify_all();
        return true;
      }
      lock.unlock();
      performLogged(entry.item);
      lock.lock();
      finishLocked();
      lock.unlock();
      TaskQueueRegistry::shared().noteActivity();
      return true;
    }
    if (!wait) return false;
    if (closing_ && ready_.empty()) {
      // Delayed blocks not yet due die with the queue; release their waiters.
      std::map<std::pair<double, std::uint64_t>, DispatchWorkItemPtr> dropped;
      dropped.swap(delayed_);
      lock.unlock();
      for (auto& [key, item] : dropped) item->cancel();
      return false;
    }
    if (!delayed_.empty() && suspendCount_ == 0 && !clock->isManual()) {
      cv_.wait_for(lock, Seconds(delayed_.begin()->first.first - clock->uptime()));
    } else {
      // A manual clock or a clock change wakes us through the registry.
      cv_.wait(lock);
    }
  }
}

bool TaskQueue::waitForReady(double maxWallSeconds) {
  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline =
      Steady::now() + std::chrono::duration_cast<Steady::duration>(Seconds(maxWallSeconds));
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    std::shared_ptr<Clock> clock = Clock::currentShared();
    promoteDueLocked(clock->uptime());
    if (runnableLocked()) return true;
    Steady::time_point until = deadline;
    if (!delayed_.empty() && !clock->isManual()) {
      const Steady::time_point due =
          Steady::now() + std::chrono::duration_cast<Steady::duration>(
                              Seconds(delayed_.begin()->first.first - clock->uptime()));
      until = std::min(until, due);
    }
    if (Steady::now() >= deadline) return false;
    cv_.wait_until(lock, until);
  }
}

bool TaskQueue::runAheadOfGateLocked(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Gate>& gate) {
  for (;;) {
    Entry& front = ready_.front();  // the gate stays queued until taken here or granted
    if (front.gate == gate) {
      ready_.pop_front();
      return true;
    }
    if (front.gate) {
      // Another sync caller's turn: hand the hold over and wait for ours.
      front.gate->granted = true;
      ready_.pop_front();
      cv_.notify_all();
      return false;
    }
    if (suspendCount_ > 0) {
      // Suspended by a block run here: nothing more starts until resumed.
      finishLocked();
      return false;
    }
    DispatchWorkItemPtr item = std::move(front.item);
    ready_.pop_front();
    lock.unlock();
    performLogged(item);
    TaskQueueRegistry::shared().noteActivity();
    lock.lock();
  }
}

void TaskQueue::runInTurn(const std::function<void()>& block) {
  std::unique_lock<std::mutex> lock(mu_);
  promoteDueLocked(Clock::currentShared()->uptime());
  const bool free = running_ == 0 && suspendCount_ == 0;
  if (width_ > 1 || (free && ready_.empty())) {
    // Idle serial queue: take it right here, no hand-off. A concurrent queue
    // promises no order between blocks, so its sync caller never waits.
    ++running_;
  } else {
    auto gate = std::make_shared<Gate>();
    ready_.push_back({nullptr, gate});
    // A serial queue running nothing: run what is due before us here, holding
    // the queue, instead of waking its thread and waiting. Not on the main
    // thread, whose blocks must not pass for the queue's own background work.
    bool held = false;
    if (free && !RunLoop::isMainThread()) {
      ++running_;
      held = runAheadOfGateLocked(lock, gate);
    }
    if (!held) {
      cv_.notify_all();
      lock.unlock();
      TaskQueueRegistry::shared().noteActivity();
      lock.lock();
      cv_.wait(lock, [&] { return gate->granted; });
    }
  }
  lock.unlock();
  struct Release {
    TaskQueue* q;
    ~Release() {
      {
        std::lock_guard<std::mutex> l(q->mu_);
        q->finishLocked();
      }
      TaskQueueRegistry::shared().noteActivity();
    }
  } release{this};
  Scope scope(this);
  block();
}

void TaskQueue::suspend() {
  std::lock_guard<std::mutex> lock(mu_);
  ++suspendCount_;
}

bool TaskQueue::resume() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (suspendCount_ == 0) return false;
    --suspendCount_;
  }
  cv_.notify_all();
  TaskQueueRegistry::shared().noteActivity();
  return true;
}

bool TaskQueue::isSuspended() const {
  std::lock_guard<std::mutex> lock(mu_);
  return suspendCount_ > 0;
}

void TaskQueue::resumeAll() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    suspendCount_ = 0;
  }
  cv_.notify_all();
  TaskQueueRegistry::shared().noteActivity();
}

void TaskQueue::close() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    closing_ = true;
  }
  cv_.notify_all();
}

void TaskQueue::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopRequested_ = true;
  }
  cv_.notify_all();
}

void TaskQueue::clearStop() {
  std::lock_guard<std::mutex> lock(mu_);
  stopRequested_ = false;
}

void TaskQueue::removeAllPending() {
  std::deque<Entry> dropped;
  std::map<std::pair<double, std::uint64_t>, DispatchWorkItemPtr> droppedDelayed;
  {
    std::lock_guard<std::mutex> lock(mu_);
    // Sync callers wait on their gates; dropping one would strand its thread.
    std::deque<Entry> kept;
    for (auto& e : ready_) (e.gate ? kept : dropped).push_back(std::move(e));
    ready_.swap(kept);
    droppedDelayed.swap(delayed_);
  }
  // Release whoever waits on a dropped block (a worker in main-queue sync).
  for (auto& e : dropped) e.item->cancel();
  for (auto& [key, item] : droppedDelayed) item->cancel();
  TaskQueueRegistry::shared().noteActivity();
}

bool TaskQueue::isIdle() const {
  const double now = Clock::currentShared()->uptime();
  std::lock_guard<std::mutex> lock(mu_);
  if (running_ > 0) return false;
  if (suspendCount_ > 0) return true;
  if (!ready_.empty()) return false;
  return delayed_.empty() || delayed_.begin()->first.first > now;
}

std::optional<double> TaskQueue::nextDue() const {
  std::lock_guard<std::mutex> lock(mu_);
  if (suspendCount_ > 0 || delayed_.empty()) return std::nullopt;
  return delayed_.begin()->first.first;
}

void TaskQueue::wake() {
  { std::lock_guard<std::mutex> lock(mu_); }  // no lost wake-up between check and wait
  cv_.notify_all();
}

bool TaskQueue::isCurrent() const {
  return std::find(t_running.begin(), t_running.end(), this) != t_running.end();
}

const TaskQueue* TaskQueue::current() { return t_running.empty() ? nullptr : t_running.back(); }

}  // namespace platform
