#include "Platform/Foundation/DispatchWorkItem.h"

#include <utility>

#include "Platform/Foundation/Clock.h"

namespace platform {

DispatchWorkItem::DispatchWorkItem(std::function<void()> block) : block_(std::move(block)) {}

void DispatchWorkItem::cancel() {
  std::function<void()> dropped;  // captures die outside the lock
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (cancelled_ || started_) {
      cancelled_ = true;
      return;
    }
    cancelled_ = true;
    dropped = std::move(block_);
    block_ = nullptr;
  }
  cv_.notify_all();
}

bool DispatchWorkItem::isCancelled() const {
  std::lock_guard<std::mutex> lock(mu_);
  return cancelled_;
}

bool DispatchWorkItem::isFinished() const {
  std::lock_guard<std::mutex> lock(mu_);
  return finished_ || (cancelled_ && !started_);
}

bool DispatchWorkItem::wait(double timeoutSeconds) {
  std::unique_lock<std::mutex> lock(mu_);
  return WaitOnClock(lock, cv_, timeoutSeconds,
                     [this] { return finished_ || (cancelled_ && !started_); });
}

void DispatchWorkItem::perform() {
  std::function<void()> block;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (cancelled_ || started_) return;
    started_ = true;
    block = std::move(block_);
    block_ = nullptr;
  }
  // Waiters are released even when the block throws.
  struct Finish {
    DispatchWorkItem* item;
    std::function<void()>& block;
    ~Finish() {
      block = nullptr;  // captures released before waiters wake
      {
        std::lock_guard<std::mutex> lock(item->mu_);
        item->finished_ = true;
      }
      item->cv_.notify_all();
    }
  } finish{this, block};
  if (block) block();
}

}  // namespace platform
