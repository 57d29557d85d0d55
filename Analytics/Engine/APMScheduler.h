// The measurement engine's serial worker queue. Every state-changing piece of
// engine work runs here as a block tagged with a block ID ("Class:number")
// that names its call site in log lines. A block that throws is logged and
// the queue goes on with the next one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class DispatchQueue;
}

class APMScheduler {
 public:
  using Block = std::function<void()>;

  explicit APMScheduler(const std::string& workerQueueLabel);
  ~APMScheduler();
  APMScheduler(const APMScheduler&) = delete;
  APMScheduler& operator=(const APMScheduler&) = delete;

  // Queues the block and returns at once; an empty block is logged, not queued.
  void scheduleOnWorkerQueueBlockID(std::string_view blockID, Block block);
  // Runs the block on the worker queue and returns when it has run. Called
  // from the worker queue itself it runs the block inline.
  void dispatchSyncOnWorkerQueueBlockID(std::string_view blockID, const Block& block);

  // Reports (and answers false) when called on the main thread; callers do
  // not change course on the answer.
  static bool checkOnBackgroundThreadWithMethodName(std::string_view methodName);

  const std::shared_ptr<platform::DispatchQueue>& workerQueue() const { return workerQueue_; }

 private:
  std::shared_ptr<platform::DispatchQueue> workerQueue_;
};
