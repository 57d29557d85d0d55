#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::ManualClockTest;

// Blocks arrive one by one and wait (real time, bounded) until `expected`
// have arrived; a queue that runs them one at a time never gets there.
class Rendezvous {
 public:
  explicit Rendezvous(int expected) : expected_(expected) {}
  bool arriveAndWait() {
    std::unique_lock<std::mutex> lock(mu_);
    ++arrived_;
    cv_.notify_all();
    return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return arrived_ >= expected_; });
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  int arrived_ = 0;
  const int expected_;
};

// A gate the test opens once it has checked what happens while blocks wait.
class Gate {
 public:
  // False when the gate stayed shut for ten seconds.
  bool wait() {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
  }
  void open() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      open_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool open_ = false;
};

TEST_F(ManualClockTest, GlobalQueuesRunAsManyBlocksAtOnceAsTheirWidth) {
  for (QueuePriority priority : {QueuePriority::defaultPriority, QueuePriority::background}) {
    const DispatchQueuePtr& queue = DispatchQueue::global(priority);
    ASSERT_TRUE(queue->isConcurrent());
    Rendezvous all(DispatchQueue::kGlobalWidth);
    std::atomic<int> met{0};
    for (int i = 0; i < DispatchQueue::kGlobalWidth; ++i) {
      queue->async([&] {
        if (all.arriveAndWait()) met.fetch_add(1);
      });
    }
    ASSERT_TRUE(clock_->runUntilIdle());
    EXPECT_EQ(met.load(), DispatchQueue::kGlobalWidth) << queue->label();
  }
}

TEST_F(ManualClockTest, GlobalQueueIsOneSharedQueuePerPriorityAndNamesItself) {
  EXPECT_EQ(DispatchQueue::global(QueuePriority::defaultPriority),
            DispatchQueue::global(QueuePriority::defaultPriority));
  EXPECT_NE(DispatchQueue::global(QueuePriority::defaultPriority),
            DispatchQueue::global(QueuePriority::background));
  EXPECT_FALSE(DispatchQueue::create("test.serial.width")->isConcurrent());
  EXPECT_FALSE(DispatchQueue::main()->isConcurrent());

  std::string seen;
  const DispatchQueuePtr& background = DispatchQueue::global(QueuePriority::background);
  background->async([&] { seen = DispatchQueue::currentLabel() + (background->isCurrent() ? "/current" : ""); });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(seen, background->label() + "/current");
}

TEST_F(ManualClockTest, ManualClockWaitsForRunningAndDelayedGlobalBlocks) {
  const DispatchQueuePtr& queue = DispatchQueue::global(QueuePriority::defaultPriority);
  std::atomic<bool> slowDone{false};
  queue->async([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    slowDone = true;
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(slowDone) << "idle reported while a global block still ran";

  std::atomic<int> fired{0};
  queue->after(2.0, [&] { fired.fetch_add(1); });
  ASSERT_TRUE(clock_->runFor(1.999));
  EXPECT_EQ(fired.load(), 0);
  ASSERT_TRUE(clock_->runFor(0.001));
  EXPECT_EQ(fired.load(), 1);

  // A block queued by a global block is part of the same settling.
  std::atomic<bool> chained{false};
  queue->async([&] { DispatchQueue::global(QueuePriority::background)->after(1.0, [&] { chained = true; }); });
  ASSERT_TRUE(clock_->runFor(1.0));
  EXPECT_TRUE(chained);
}

TEST_F(ManualClockTest, GlobalSyncNeverWaitsForBusyWorkersOrItself) {
  const DispatchQueuePtr& queue = DispatchQueue::global(QueuePriority::background);
  Gate gate;
  std::atomic<int> started{0};
  std::atomic<int> timedOut{0};
  for (int i = 0; i < DispatchQueue::kGlobalWidth; ++i) {
    queue->async([&] {
      started.fetch_add(1);
      if (!gate.wait()) timedOut.fetch_add(1);
    });
  }
  // Every worker is held, one more block waits behind them.
  std::atomic<bool> queuedRan{false};
  queue->async([&] { queuedRan = true; });

  LogCapture capture;
  bool innerRan = false;
  bool outerOnQueue = false;
  queue->sync([&] {
    outerOnQueue = queue->isCurrent();
    queue->sync([&] { innerRan = true; });
  });
  EXPECT_TRUE(outerOnQueue);
  EXPECT_TRUE(innerRan);
  EXPECT_FALSE(capture.contains("inline")) << "re-entry is normal on a concurrent queue";

  // Suspending a global queue is refused: the held block still runs later.
  queue->suspend();
  EXPECT_TRUE(capture.contains("cannot be suspended"));
  EXPECT_FALSE(queue->isSuspended());
  gate.open();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(started.load(), DispatchQueue::kGlobalWidth);
  EXPECT_EQ(timedOut.load(), 0) << "sync waited for the held workers";
  EXPECT_TRUE(queuedRan);
}

}  // namespace
}  // namespace platform
