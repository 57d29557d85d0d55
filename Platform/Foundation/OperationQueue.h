// A queue of operations run one at a time, in order, on a worker thread of
// its own. It can be created suspended (operations wait until resumed) and
// waited on.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

#include "Platform/Foundation/DispatchQueue.h"

namespace platform {

class OperationQueue {
 public:
  explicit OperationQueue(std::string name = "", bool startSuspended = false);
  // Lets already added operations finish first (resuming if suspended).
  ~OperationQueue();
  OperationQueue(const OperationQueue&) = delete;
  OperationQueue& operator=(const OperationQueue&) = delete;

  const std::string& name() const { return name_; }

  void addOperation(std::function<void()> operation);
  void setSuspended(bool suspended);
  bool isSuspended() const;
  // Operations added and not yet finished (the running one included).
  std::size_t operationCount() const;

  // Blocks until every operation added so far has finished. Called on a
  // suspended queue that still holds operations it would wait for ever: it
  // logs that and returns false at once. Called from one of its own
  // operations it logs and returns false. True when all finished.
  bool waitUntilAllOperationsAreFinished();

 private:
  std::string name_;
  DispatchQueuePtr queue_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::size_t pending_ = 0;
  bool suspended_ = false;
};

}  // namespace platform
