// sync onto a serial queue that runs no block: the caller runs the blocks
// queued ahead of it itself, then its own, holding the queue.
//
// To have due blocks sitting on a queue whose thread has not picked them up
// (the window a sync caller meets in production), these tests move a clock
// whose moves only the threads that watch it see, and that wakes no queue: a
// queue's own thread never finds a block due by itself, it runs only what a
// caller's sync made ready.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::Trace;
using Strings = std::vector<std::string>;

thread_local bool t_watchesClock = false;

class QuietClock final : public Clock {
 public:
  static constexpr double kStart = 1000.0;
  double now() const override { return 1700000000.0 + uptime(); }
  double uptime() const override { return t_watchesClock ? uptime_.load() : kStart; }
  bool isManual() const override { return true; }  // queue threads wait without a timeout
  void move(double seconds) { uptime_.store(uptime_.load() + seconds); }
  static void watchOnThisThread() { t_watchesClock = true; }

 private:
  std::atomic<double> uptime_{kStart};
};

// Where and as what a block ran.
struct BlockRun {
  std::string name;
  std::thread::id thread;
  std::string label;
  bool current = false;
};

class Runs {
 public:
  std::function<void()> record(std::string name, const DispatchQueuePtr& queue) {
    return [this, name = std::move(name), queue] { add(name, queue); };
  }
  void add(const std::string& name, const DispatchQueuePtr& queue) {
    std::lock_guard<std::mutex> lock(mu_);
    runs_.push_back({name, std::this_thread::get_id(), DispatchQueue::currentLabel(), queue->isCurrent()});
  }
  std::vector<BlockRun> all() const {
    std::lock_guard<std::mutex> lock(mu_);
    return runs_;
  }
  Strings names() const {
    Strings out;
    for (const BlockRun& r : all()) out.push_back(r.name);
    return out;
  }

 private:
  mutable std::mutex mu_;
  std::vector<BlockRun> runs_;
};

class SerialSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clock::setCurrent(clock_);
    QuietClock::watchOnThisThread();
  }
  void TearDown() override {
    t_watchesClock = false;
    RunLoop::main().removeAllPending();
    Clock::setCurrent(nullptr);
  }
  std::shared_ptr<QuietClock> clock_ = std::make_shared<QuietClock>();
};

TEST_F(SerialSyncTest, CallerRunsTheDueBlocksAheadOfItInOrderThenItsOwn) {
  Runs runs;  // outlives the queues, whose blocks record into it
  LogCapture capture;
  auto queue = DispatchQueue::create("test.drain");
  auto other = DispatchQueue::create("test.other");
  queue->after(1.0, runs.record("a", queue));
  queue->after(1.0, [&] {
    runs.add("b", queue);
    queue->async(runs.record("queued-by-b", queue));  // behind the sync block
  });
  queue->after(1.0, [] { throw std::runtime_error("boom"); });
  queue->after(2.0, runs.record("not-due", queue));
  clock_->move(1.0);

  std::thread::id caller;
  std::thread t([&] {
    caller = std::this_thread::get_id();
    QuietClock::watchOnThisThread();
    // From a block of another queue: the labels inside are still this queue's.
    other->sync([&] { queue->sync([&] { runs.add("sync", queue); }); });
  });
  t.join();
  queue->sync([] {});  // settles what b queued
  std::vector<BlockRun> seen = runs.all();
  ASSERT_EQ(runs.names(), (Strings{"a", "b", "sync", "queued-by-b"})) << "what b queued runs after the sync block";
  seen.pop_back();
  for (const BlockRun& r : seen) {
    EXPECT_EQ(r.thread, caller) << r.name << " ran on the caller's thread";
    EXPECT_EQ(r.label, "test.drain") << r.name;
    EXPECT_TRUE(r.current) << r.name;
  }
  EXPECT_TRUE(capture.contains("boom")) << "a throwing block is logged and the others still run";

  clock_->move(1.0);
  queue->sync([] {});
  EXPECT_EQ(runs.names().back(), "not-due");
}

TEST_F(SerialSyncTest, ABlockThatSuspendsTheQueueStopsTheCallerUntilResumed) {
  Runs runs;
  auto queue = DispatchQueue::create("test.suspend");
  queue->after(1.0, [&] {
    runs.add("suspends", queue);
    queue->suspend();
  });
  queue->after(1.0, runs.record("after-suspend", queue));
  clock_->move(1.0);

  std::atomic<std::thread::id> caller{};
  std::thread t([&] {
    caller = std::this_thread::get_id();
    QuietClock::watchOnThisThread();
    queue->sync(runs.record("sync", queue));
  });
  // Once suspended, nothing else starts on either thread until resume.
  while (!queue->isSuspended()) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(runs.names(), (Strings{"suspends"}));
  queue->resume();
  t.join();
  std::vector<BlockRun> seen = runs.all();
  ASSERT_EQ(runs.names(), (Strings{"suspends", "after-suspend", "sync"}));
  EXPECT_EQ(seen[0].thread, caller.load());
  EXPECT_NE(seen[1].thread, caller.load()) << "the queue's own thread resumes the rest";
  EXPECT_EQ(seen[2].thread, caller.load()) << "a sync block always runs on its caller";
}

TEST_F(SerialSyncTest, MainThreadLeavesQueuedBlocksToTheQueueAndMainQueueSyncStillHandsOver) {
  Runs runs;
  auto queue = DispatchQueue::create("test.frommain");
  queue->after(1.0, runs.record("due", queue));
  clock_->move(1.0);
  ASSERT_TRUE(RunLoop::isMainThread());
  queue->sync(runs.record("sync", queue));
  std::vector<BlockRun> seen = runs.all();
  ASSERT_EQ(runs.names(), (Strings{"due", "sync"}));
  EXPECT_NE(seen[0].thread, std::this_thread::get_id()) << "queue work is not run on the main thread";
  EXPECT_EQ(seen[1].thread, std::this_thread::get_id());

  // The main queue from a worker: the block goes to the main thread.
  std::atomic<bool> onMain{false};
  std::atomic<bool> done{false};
  RunLoop::main().async([] {});  // pending main work ahead of the sync
  std::thread t([&] {
    DispatchQueue::main()->sync([&] { onMain = RunLoop::isMainThread(); });
    done = true;
  });
  while (!done) RunLoop::main().runUntilIdle();
  t.join();
  EXPECT_TRUE(onMain);
}

TEST_F(SerialSyncTest, DriversSeeTheQueueBusyWhileACallerRunsItsBlocksAndSettleWhatTheyQueue) {
  ManualClock driver;  // its drivers only; the quiet clock stays current
  Trace trace;
  std::atomic<bool> started{false};
  std::atomic<bool> release{false};
  auto queue = DispatchQueue::create("test.settle");
  queue->after(1.0, [&] {
    started = true;
    while (!release) std::this_thread::yield();
    trace.add("slow");
    queue->async([&] { trace.add("queued"); });
    RunLoop::main().async([&] { trace.add("main"); });
  });
  clock_->move(1.0);
  std::thread t([&] {
    QuietClock::watchOnThisThread();
    queue->sync([&] { trace.add("sync"); });
  });
  while (!started) std::this_thread::yield();
  EXPECT_FALSE(driver.runUntilIdle(0.05)) << "a block run by a sync caller keeps the queue busy";
  release = true;
  t.join();
  ASSERT_TRUE(driver.runUntilIdle());
  Strings items = trace.items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(Strings(items.begin(), items.begin() + 2), (Strings{"slow", "sync"}));
}

TEST_F(SerialSyncTest, ManyCallersKeepOrderAndExclusion) {
  auto queue = DispatchQueue::create("test.many");
  constexpr int kThreads = 6, kPerThread = 400;
  std::vector<std::vector<int>> seen(kThreads);  // touched only on the queue
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        auto body = [&, t, i] {
          if (inside.fetch_add(1) != 0) overlapped = true;
          seen[t].push_back(i);
          inside.fetch_sub(1);
        };
        if (i % 3 == 0) {
          queue->sync(body);
        } else {
          queue->async(body);
        }
        // Suspensions make callers wait, hand over to each other and resume
        // while blocks are queued.
        if (t == 0 && i % 50 == 0) {
          queue->suspend();
          std::this_thread::yield();
          queue->resume();
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  queue->sync([] {});
  EXPECT_FALSE(overlapped);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread)) << t;
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;
  }
}

}  // namespace
}  // namespace platform
