#include "Platform/Foundation/DispatchQueue.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TaskQueue.h"

namespace platform {
namespace {

// The rule interpreter recurses deeply on worker queues; sanitizers inflate
// frames, so leave plenty of room above the 8 MiB the engine needs.
constexpr std::size_t kWorkerStackBytes = 16u * 1024u * 1024u;

void* WorkerMain(void* arg) {
  std::shared_ptr<TaskQueue> core = std::move(*static_cast<std::shared_ptr<TaskQueue>*>(arg));
  delete static_cast<std::shared_ptr<TaskQueue>*>(arg);
  while (core->runNext(true)) {
  }
  return nullptr;
}

}  // namespace

struct DispatchQueue::Worker {
  std::vector<pthread_t> threads;
};

DispatchQueue::DispatchQueue(PrivateTag, std::string label, bool isMain, int width)
    : label_(std::move(label)), main_(isMain) {
  if (main_) {
    core_ = RunLoop::main().taskQueue();
    return;
  }
  core_ = std::make_shared<TaskQueue>(label_, width);
  worker_ = std::make_unique<Worker>();
  for (int i = 0; i < core_->width(); ++i) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kWorkerStackBytes);
    auto* arg = new std::shared_ptr<TaskQueue>(core_);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, &WorkerMain, arg);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
      // Out of threads or memory: nothing sensible can run this queue's work.
      delete arg;
      LogError("DispatchQueue \"" + label_ + "\": cannot start its thread: " + std::strerror(rc));
      std::abort();
    }
    worker_->threads.push_back(thread);
  }
}

DispatchQueue::~DispatchQueue() {
  if (main_) return;
  if (core_->isSuspended()) {
    LogWarning("DispatchQueue \"" + label_ + "\" destroyed while suspended; resuming it");
    core_->resumeAll();
  }
  core_->close();
  for (pthread_t thread : worker_->threads) {
    if (pthread_equal(pthread_self(), thread)) {
      // Last reference dropped by one of our own blocks: the thread owns the
      // core and finishes the remaining blocks on its own.
      pthread_detach(thread);
    } else {
      pthread_join(thread, nullptr);
    }
  }
}

std::shared_ptr<DispatchQueue> DispatchQueue::create(std::string label) {
  return std::make_shared<DispatchQueue>(PrivateTag{}, std::move(label), false);
}

const std::shared_ptr<DispatchQueue>& DispatchQueue::main() {
  static auto* queue =
      new std::shared_ptr<DispatchQueue>(std::make_shared<DispatchQueue>(PrivateTag{}, kMainLabel, true));
  return *queue;
}

const std::shared_ptr<DispatchQueue>& DispatchQueue::global(QueuePriority priority) {
  // Leaked like the main queue: blocks may still run during static destruction.
  static auto* defaultQueue = new std::shared_ptr<DispatchQueue>(
      std::make_shared<DispatchQueue>(PrivateTag{}, "global.default", false, kGlobalWidth));
  static auto* backgroundQueue = new std::shared_ptr<DispatchQueue>(
      std::make_shared<DispatchQueue>(PrivateTag{}, "global.background", false, kGlobalWidth));
  return priority == QueuePriority::background ? *backgroundQueue : *defaultQueue;
}

bool DispatchQueue::isConcurrent() const { return core_->width() > 1; }

std::string DispatchQueue::currentLabel() {
  if (const TaskQueue* q = TaskQueue::current()) return q->label();
  return RunLoop::isMainThread() ? kMainLabel : "";
}

bool DispatchQueue::isCurrent() const {
  return main_ ? RunLoop::isMainThread() : core_->isCurrent();
}

void DispatchQueue::async(std::function<void()> block) {
  core_->enqueue(std::make_shared<DispatchWorkItem>(std::move(block)));
}

void DispatchQueue::async(DispatchWorkItemPtr item) { core_->enqueue(std::move(item)); }

void DispatchQueue::sync(const std::function<void()>& block) {
  if (isConcurrent()) {
    core_->runInTurn(block);  // no order to wait for; counted while it runs
    return;
  }
  if (isCurrent()) {
    LogWarning("DispatchQueue \"" + label_ + "\": sync called from the queue itself; running the block inline");
    block();
    return;
  }
  if (main_) {
    // Main-queue work must run on the main thread: hand it over and wait.
    auto item = std::make_shared<DispatchWorkItem>(block);
    core_->enqueue(item);
    item->wait();
    return;
  }
  core_->runInTurn(block);
}

DispatchWorkItemPtr DispatchQueue::after(double delaySeconds, std::function<void()> block) {
  auto item = std::make_shared<DispatchWorkItem>(std::move(block));
  core_->enqueueAfter(delaySeconds, item);
  return item;
}

void DispatchQueue::after(double delaySeconds, DispatchWorkItemPtr item) {
  core_->enqueueAfter(delaySeconds, std::move(item));
}

void DispatchQueue::suspend() {
  if (main_ || isConcurrent()) {
    LogWarning("DispatchQueue \"" + label_ + "\" cannot be suspended");
    return;
  }
  core_->suspend();
}

void DispatchQueue::resume() {
  if (main_ || isConcurrent()) return;
  if (!core_->resume()) {
    LogWarning("DispatchQueue \"" + label_ + "\": resume without a matching suspend ignored");
  }
}

bool DispatchQueue::isSuspended() const { return core_->isSuspended(); }

}  // namespace platform
