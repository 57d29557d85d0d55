#include "Platform/Foundation/OperationQueue.h"

#include <utility>

#include "Platform/Foundation/Log.h"

namespace platform {

OperationQueue::OperationQueue(std::string name, bool startSuspended)
    : name_(std::move(name)), queue_(DispatchQueue::create(name_.empty() ? "OperationQueue" : name_)) {
  if (startSuspended) {
    suspended_ = true;
    queue_->suspend();
  }
}

OperationQueue::~OperationQueue() {
  setSuspended(false);
  queue_.reset();  // drains the queued operations and joins the thread
}

void OperationQueue::addOperation(std::function<void()> operation) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    ++pending_;
  }
  queue_->async([this, operation = std::move(operation)] {
    struct Done {
      OperationQueue* q;
      ~Done() {
        {
          std::lock_guard<std::mutex> lock(q->mu_);
          --q->pending_;
        }
        q->cv_.notify_all();
      }
    } done{this};
    if (operation) operation();
  });
}

void OperationQueue::setSuspended(bool suspended) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (suspended_ == suspended) return;
    suspended_ = suspended;
  }
  if (suspended) {
    queue_->suspend();
  } else {
    queue_->resume();
  }
}

bool OperationQueue::isSuspended() const {
  std::lock_guard<std::mutex> lock(mu_);
  return suspended_;
}

std::size_t OperationQueue::operationCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return pending_;
}

bool OperationQueue::waitUntilAllOperationsAreFinished() {
  if (queue_->isCurrent()) {
    LogWarning("OperationQueue \"" + name_ + "\": waiting for itself from its own operation; not waiting");
    return false;
  }
  std::unique_lock<std::mutex> lock(mu_);
  if (suspended_ && pending_ > 0) {
    LogWarning("OperationQueue \"" + name_ + "\" is suspended; its operations cannot finish, not waiting");
    return false;
  }
  cv_.wait(lock, [this] { return pending_ == 0; });
  return true;
}

}  // namespace platform
