// The core shared by the main run loop and every DispatchQueue: a FIFO of
// ready blocks, delayed blocks ordered by (due uptime, submission), a suspend
// count, and the hand-off that lets sync() run a block on the calling thread
// in its turn. It owns no thread; its drivers (worker threads, or whoever
// pumps the main loop) call runNext(). A width above one starts up to that
// many blocks at once (the global queues); there runInTurn does not wait for
// queued blocks. Internal to the platform.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "Platform/Foundation/DispatchWorkItem.h"

namespace platform {

class TaskQueue {
 public:
  explicit TaskQueue(std::string label, int width = 1);
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  const std::string& label() const { return label_; }
  int width() const { return width_; }

  void enqueue(DispatchWorkItemPtr item);
  void enqueueAfter(double delaySeconds, DispatchWorkItemPtr item);
  // Runs block on the calling thread in this queue's order (after what is
  // queued now, with the queue held busy meanwhile). On a serial queue that
  // runs no block, a caller other than the main thread runs the blocks queued
  // ahead of it itself, then block, without waking the queue's thread; it
  // stops and waits for its turn if one of them suspends the queue or another
  // sync caller is ahead.
  void runInTurn(const std::function<void()>& block);

  // Driver step. Runs (or hands to a sync caller) the next ready block and
  // returns true; with wait, blocks until there is one and returns false only
  // once close() or stop() asks the driver to quit.
  bool runNext(bool wait);
  // Waits up to maxWallSeconds of real time for a block to be ready; true if
  // one is. Used by pumps that must also poll a condition.
  bool waitForReady(double maxWallSeconds);

  void suspend();
  bool resume();  // false when not suspended
  bool isSuspended() const;
  void resumeAll();

  // A waiting runNext returns false once every ready block has run.
  void close();
  // A waiting runNext returns false now; cleared by clearStop().
  void stop();
  void clearStop();
  void removeAllPending();

  // Idle: nothing running, and nothing ready or due (or suspended).
  bool isIdle() const;
  // Earliest due uptime of a delayed block; none when suspended or empty.
  std::optional<double> nextDue() const;
  // Wakes waiting drivers to look at the clock again.
  void wake();

  // True while the calling thread runs a block of this queue.
  bool isCurrent() const;
  // The innermost queue whose block the calling thread runs, or null.
  static const TaskQueue* current();

  // Marks the calling thread as running a block of q while alive.
  class Scope {
   public:
    explicit Scope(const TaskQueue* q);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };

 private:
  struct Gate;
  struct Entry {
    DispatchWorkItemPtr item;
    std::shared_ptr<Gate> gate;
  };

  void promoteDueLocked(double nowUptime);
  // Runs a ready block with this queue current, logging what it throws.
  void performLogged(DispatchWorkItemPtr& item);
  // With the queue held, runs the blocks queued ahead of gate on the calling
  // thread; true when gate's turn came with the hold kept, false when the
  // hold was given up (the caller then waits for gate to be granted).
  bool runAheadOfGateLocked(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Gate>& gate);
  bool runnableLocked() const;
  void finishLocked();

  const std::string label_;
  const int width_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Entry> ready_;
  std::map<std::pair<double, std::uint64_t>, DispatchWorkItemPtr> delayed_;
  std::uint64_t seq_ = 0;
  int suspendCount_ = 0;
  int running_ = 0;  // blocks started and not finished (sync callers included)
  bool closing_ = false;
  bool stopRequested_ = false;
};

}  // namespace platform
