#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

class SchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override { APMMeasurementMonitor().waitForPendingWork(); }
  // Lines the shared monitor wrote since the capture began.
  std::vector<std::string> Lines() {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.lines();
  }
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.contains(fragment);
  }
  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
};

TEST_F(SchedulerTest, BlocksFromSeveralThreadsRunInFifoOrderPerThread) {
  APMScheduler scheduler("com.trivandel.qrva.worker");
  constexpr int kThreads = 4;
  constexpr int kBlocks = 2000;
  std::vector<std::vector<int>> seen(kThreads);
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kBlocks; ++i) {
        scheduler.scheduleOnWorkerQueueBlockID("Test:1", [&, t, i] {
          if (running.fetch_add(1) != 0) overlapped = true;
          seen[t].push_back(i);
          running.fetch_sub(1);
        });
      }
    });
  }
  for (auto& thread : threads) thread.join();
  scheduler.dispatchSyncOnWorkerQueueBlockID("Test:2", [] {});
  EXPECT_FALSE(overlapped.load());
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kBlocks));
    for (int i = 0; i < kBlocks; ++i) ASSERT_EQ(seen[t][i], i);
  }
}

TEST_F(SchedulerTest, ThrowingBlockIsLoggedByTypeAndTheQueueGoesOn) {
  APMScheduler scheduler("worker");
  bool nextRan = false;
  scheduler.scheduleOnWorkerQueueBlockID("APMMeasurement:622",
                                         [] { throw std::runtime_error("user@example.com"); });
  scheduler.scheduleOnWorkerQueueBlockID("APMMeasurement:623", [&] { nextRan = true; });
  scheduler.dispatchSyncOnWorkerQueueBlockID("APMMeasurement:624", [] {});
  EXPECT_TRUE(nextRan);
  EXPECT_TRUE(Logged("[I-ACS030000] Exception on worker queue. Block ID=APMMeasurement:622. Exception: "
                     "std::runtime_error"));
  EXPECT_FALSE(Logged("user@example.com"));
}

TEST_F(SchedulerTest, ThrowingSyncBlockKeepsTheCallersValueAndLogsTheFailure) {
  APMScheduler scheduler("worker");
  int result = -1;
  scheduler.dispatchSyncOnWorkerQueueBlockID("X:1", [&] {
    throw 7;
    result = 1;
  });
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(Logged("[I-ACS030003] Exception on worker queue when processing sync block. Block ID=X:1. "
                     "Exception: int"));
  EXPECT_TRUE(Logged("Synchronous task failed. Block ID=X:1"));
}

TEST_F(SchedulerTest, NilBlocksAreLoggedAndNotRun) {
  APMScheduler scheduler("worker");
  scheduler.scheduleOnWorkerQueueBlockID("A:1", nullptr);
  scheduler.dispatchSyncOnWorkerQueueBlockID("A:2", nullptr);
  EXPECT_TRUE(Logged("[I-ACS030005] Nil block dispatched asynchronously on worker queue. Block ID=A:1."));
  EXPECT_TRUE(Logged("[I-ACS030002] Nil block dispatched synchronously on worker queue. Block ID=A:2."));
}

TEST_F(SchedulerTest, SyncFromTheWorkerQueueRunsInline) {
  APMScheduler scheduler("worker");
  std::vector<int> order;
  scheduler.dispatchSyncOnWorkerQueueBlockID("Outer:1", [&] {
    order.push_back(1);
    scheduler.dispatchSyncOnWorkerQueueBlockID("Inner:2", [&] { order.push_back(2); });
    order.push_back(3);
  });
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(Logged("[I-ACS030006] Synchronous dispatch on worker queue from the worker queue. Running "
                     "inline. Block ID=Inner:2."));
}

TEST_F(SchedulerTest, BackgroundCheckReportsOnlyOnTheMainThread) {
  std::atomic<bool> answer{false};
  std::thread([&] { answer = APMScheduler::checkOnBackgroundThreadWithMethodName("m"); }).join();
  EXPECT_TRUE(answer.load());
}

class AlarmTest : public SchedulerTest {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(1000.0);
    platform::Clock::setCurrent(clock_);
    queue_ = platform::DispatchQueue::create("alarm");
    SchedulerTest::SetUp();
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelDebug);
  }
  void TearDown() override {
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
    queue_.reset();
    platform::Clock::setCurrent(nullptr);
  }
  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<platform::DispatchQueue> queue_;
};

TEST_F(AlarmTest, FiresOnceAfterTheDelayAndSeesItselfIdle) {
  APMAlarm alarm(queue_, "Measurement timer");
  std::atomic<int> fired{0};
  bool idleInBlock = false;
  alarm.runAfterDelay(10, [&] {
    idleInBlock = !alarm.scheduledTimestamp().has_value();
    fired++;
  });
  EXPECT_EQ(alarm.scheduledTimestamp(), 1010.0);
  EXPECT_TRUE(alarm.hasActiveTimer());
  clock_->runFor(9);
  EXPECT_EQ(fired.load(), 0);
  clock_->runFor(1);
  EXPECT_EQ(fired.load(), 1);
  EXPECT_TRUE(idleInBlock);
  clock_->runFor(100);
  EXPECT_EQ(fired.load(), 1);
  EXPECT_FALSE(alarm.hasActiveTimer());
  EXPECT_TRUE(Logged("Measurement timer scheduled to fire in approx. (s): 10"));
  EXPECT_TRUE(Logged("Measurement timer fired"));
}

TEST_F(AlarmTest, RearmingKeepsOnlyTheLatestRun) {
  APMAlarm alarm(queue_, "");
  std::atomic<int> first{0}, second{0};
  alarm.runAfterDelay(5, [&] { first++; });
  alarm.runAfterDelay(20, [&] { second++; });
  EXPECT_EQ(alarm.scheduledTimestamp(), 1020.0);
  clock_->runFor(30);
  EXPECT_EQ(first.load(), 0);
  EXPECT_EQ(second.load(), 1);
  EXPECT_TRUE(Logged("Timer canceled"));
}

TEST_F(AlarmTest, CancelAndEmptyBlocks) {
  APMAlarm alarm(queue_, "A");
  capture_.clear();
  alarm.cancel();
  EXPECT_TRUE(Lines().empty());  // idle: nothing logged
  std::atomic<int> fired{0};
  alarm.runAfterDelay(5, [&] { fired++; });
  alarm.runAfterDelay(5, nullptr);
  EXPECT_TRUE(Logged("A tried to schedule an empty block"));
  EXPECT_TRUE(alarm.scheduledTimestamp().has_value());  // still pending
  alarm.cancel();
  EXPECT_FALSE(alarm.scheduledTimestamp().has_value());
  clock_->runFor(10);
  EXPECT_EQ(fired.load(), 0);
  EXPECT_TRUE(Logged("A canceled"));
}

TEST_F(AlarmTest, BlockMayRearmTheSameAlarm) {
  APMAlarm alarm(queue_, "Loop");
  std::atomic<int> fired{0};
  std::function<void()> block = [&] {
    if (++fired < 3) alarm.runAfterDelay(1, block);
  };
  alarm.runAfterDelay(1, block);
  clock_->runFor(10);
  EXPECT_EQ(fired.load(), 3);
  EXPECT_FALSE(alarm.scheduledTimestamp().has_value());
}

}  // namespace
