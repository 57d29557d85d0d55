#include "Platform/Foundation/RunLoop.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/TaskQueue.h"

namespace platform {

RunLoop::RunLoop() : core_(std::make_shared<TaskQueue>(DispatchQueue::kMainLabel)) {}

RunLoop& RunLoop::main() {
  // Leaked on purpose: blocks may still be posted while statics are destroyed.
  static RunLoop* loop = new RunLoop();
  return *loop;
}

bool RunLoop::isMainThread() {
  // The initial thread's id equals the process id; asking the kernel avoids
  // any dependence on static initialisation order.
  static thread_local const bool isMain = syscall(SYS_gettid) == getpid();
  return isMain;
}

void RunLoop::async(std::function<void()> block) {
  core_->enqueue(std::make_shared<DispatchWorkItem>(std::move(block)));
}

void RunLoop::async(DispatchWorkItemPtr item) { core_->enqueue(std::move(item)); }

DispatchWorkItemPtr RunLoop::asyncAfter(double delaySeconds, std::function<void()> block) {
  auto item = std::make_shared<DispatchWorkItem>(std::move(block));
  core_->enqueueAfter(delaySeconds, item);
  return item;
}

void RunLoop::asyncAfter(double delaySeconds, DispatchWorkItemPtr item) {
  core_->enqueueAfter(delaySeconds, std::move(item));
}

int RunLoop::runUntilIdle() {
  int ran = 0;
  while (core_->runNext(false)) ++ran;
  return ran;
}

void RunLoop::run() {
  core_->clearStop();
  while (core_->runNext(true)) {
  }
}

void RunLoop::stop() { core_->stop(); }

bool RunLoop::runUntil(const std::function<bool()>& condition, double wallTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(wallTimeout);
  for (;;) {
    runUntilIdle();
    if (condition()) return true;
    const double left =
        std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return condition();
    // Short slices: the condition may turn true on another thread without
    // posting anything here.
    core_->waitForReady(std::min(left, 0.005));
  }
}

bool RunLoop::isIdle() const { return core_->isIdle(); }

void RunLoop::removeAllPending() { core_->removeAllPending(); }

}  // namespace platform
