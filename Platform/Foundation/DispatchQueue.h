// Serial dispatch queues. Each labelled queue owns one worker thread (8 MiB
// stack or more: the rule interpreter recurses deeply on it) and runs its
// blocks one at a time in submission order. DispatchQueue::main() is the same
// interface over the main run loop.
//
// DispatchQueue::global(priority) is one process-wide concurrent queue per
// priority: a few worker threads start its blocks in submission order but run
// them at once, so blocks must not rely on each other's order. Its sync runs
// the block on the calling thread at once (also from its own blocks, without
// a log line). It cannot be suspended. Like serial queues it counts towards
// the manual clock's idle detection while a block runs or is ready.
//
// - async: queue a block; after: queue it once its delay has passed on the
//   injected Clock (cancellable; ordered by due time, then submission).
// - sync: runs the block and returns when it has run, in order with the
//   blocks queued before it. On an idle queue it runs on the calling thread
//   (no thread hand-off); on a serial queue running no block, a caller off
//   the main thread also runs the blocks queued before it, in order, with the
//   queue held and current. The main queue's sync always hands its block over. Called from the queue itself (including from inside
//   another sync on it) it logs the re-entry and runs inline instead of
//   deadlocking.
// - suspend/resume: counted; a suspended queue starts no block (the running
//   one finishes). A queue destroyed while suspended logs it and is resumed
//   so its queued blocks still run.
// - Destroying the last reference waits for the already queued blocks (and
//   for delayed blocks already due); delayed blocks not yet due are cancelled
//   (their waiters are released) rather than run against a dead owner.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Foundation/DispatchWorkItem.h"

namespace platform {

class TaskQueue;

enum class QueuePriority { defaultPriority, background };

class DispatchQueue {
 public:
  // A new serial queue with its own thread.
  static std::shared_ptr<DispatchQueue> create(std::string label);
  // The main queue (blocks run on the main run loop). Never suspended.
  static const std::shared_ptr<DispatchQueue>& main();
  // The shared concurrent queue of a priority; made on first use, never freed.
  static const std::shared_ptr<DispatchQueue>& global(QueuePriority priority);
  // Worker threads (and so blocks run at once at most) of a global queue.
  static constexpr int kGlobalWidth = 4;

  // Label of the queue running the calling code: a serial queue's label,
  // kMainLabel on the main thread outside any queue, "" elsewhere.
  static std::string currentLabel();
  static constexpr const char* kMainLabel = "main";

  ~DispatchQueue();
  DispatchQueue(const DispatchQueue&) = delete;
  DispatchQueue& operator=(const DispatchQueue&) = delete;

  const std::string& label() const { return label_; }
  bool isMain() const { return main_; }
  // True for the global queues.
  bool isConcurrent() const;
  // True while the calling code runs on this queue (worker block or sync).
  bool isCurrent() const;

  void async(std::function<void()> block);
  void async(DispatchWorkItemPtr item);
  void sync(const std::function<void()>& block);
  DispatchWorkItemPtr after(double delaySeconds, std::function<void()> block);
  void after(double delaySeconds, DispatchWorkItemPtr item);

  void suspend();
  // Resume without a matching suspend is logged and ignored.
  void resume();
  bool isSuspended() const;

  struct PrivateTag {};
  DispatchQueue(PrivateTag, std::string label, bool isMain, int width = 1);

 private:
  std::string label_;
  bool main_;
  std::shared_ptr<TaskQueue> core_;
  struct Worker;
  std::unique_ptr<Worker> worker_;
};

using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;

}  // namespace platform
