// A block that can be cancelled before it starts and waited on. Queues keep a
// cancelled item until its turn and then skip it; cancelling a running or
// finished item changes nothing.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class DispatchWorkItem {
 public:
  explicit DispatchWorkItem(std::function<void()> block);
  DispatchWorkItem(const DispatchWorkItem&) = delete;
  DispatchWorkItem& operator=(const DispatchWorkItem&) = delete;

  // Thread-safe. A cancelled item never starts; its waiters are released.
  void cancel();
  bool isCancelled() const;
  // True once the block has returned (or the item was skipped as cancelled).
  bool isFinished() const;

  // Blocks until the item has run or been skipped, or until timeoutSeconds
  // pass on the injected clock (negative: no limit). True when it finished.
  bool wait(double timeoutSeconds = -1.0);

  // Runs the block on the calling thread unless cancelled or already run.
  // Queues call this; it runs the block at most once.
  void perform();

 private:
  std::function<void()> block_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  bool cancelled_ = false;
  bool started_ = false;
  bool finished_ = false;
};

using DispatchWorkItemPtr = std::shared_ptr<DispatchWorkItem>;

}  // namespace platform
