#include "Platform/Foundation/DispatchGroup.h"

#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"

namespace platform {

struct DispatchGroup::State {
  std::mutex mu;
  std::condition_variable cv;
  int count = 0;
  std::vector<std::pair<DispatchQueuePtr, std::function<void()>>> notifies;
};

namespace {

void Submit(const DispatchQueuePtr& queue, std::function<void()> block) {
  (queue ? queue : DispatchQueue::main())->async(std::move(block));
}

}  // namespace

DispatchGroup::DispatchGroup() : state_(std::make_shared<State>()) {}

void DispatchGroup::enter() {
  std::lock_guard<std::mutex> lock(state_->mu);
  ++state_->count;
}

Status DispatchGroup::leave() {
  std::vector<std::pair<DispatchQueuePtr, std::function<void()>>> due;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->count == 0) {
      LogError("DispatchGroup: leave() without a matching enter() ignored");
      return Status::FailedPrecondition("unbalanced DispatchGroup leave");
    }
    if (--state_->count == 0) due.swap(state_->notifies);
  }
  state_->cv.notify_all();
  for (auto& [queue, block] : due) Submit(queue, std::move(block));
  return Status::OK();
}

void DispatchGroup::notify(const DispatchQueuePtr& queue, std::function<void()> block) {
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->count > 0) {
      state_->notifies.emplace_back(queue, std::move(block));
      return;
    }
  }
  Submit(queue, std::move(block));
}

bool DispatchGroup::wait(double timeoutSeconds) {
  std::unique_lock<std::mutex> lock(state_->mu);
  return WaitOnClock(lock, state_->cv, timeoutSeconds, [this] { return state_->count == 0; });
}

int DispatchGroup::count() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->count;
}

}  // namespace platform
