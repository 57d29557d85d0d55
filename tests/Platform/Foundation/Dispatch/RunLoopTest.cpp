#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Timer.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::ManualClockTest;
using testing::Trace;
using Strings = std::vector<std::string>;

struct OrderCase {
  const char* name;
  std::function<void(Trace&)> schedule;  // runs on the main thread, outside any turn
  double runFor;
  Strings expected;
};

class RunLoopOrderTest : public ManualClockTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(RunLoopOrderTest, RunsInExpectedOrder) {
  Trace trace;
  GetParam().schedule(trace);
  EXPECT_TRUE(trace.items().empty()) << "nothing may run inside the scheduling turn";
  ASSERT_TRUE(clock_->runFor(GetParam().runFor));
  EXPECT_EQ(trace.items(), GetParam().expected);
}

RunLoop& Main() { return RunLoop::main(); }

INSTANTIATE_TEST_SUITE_P(
    Table, RunLoopOrderTest,
    ::testing::Values(
        OrderCase{"AsyncIsFifo",
                  [](Trace& t) {
                    for (const char* s : {"a", "b", "c"}) Main().async([&t, s] { t.add(s); });
                  },
                  0, {"a", "b", "c"}},
        OrderCase{"AsyncFromBlockRunsAfterCurrentTurn",
                  [](Trace& t) {
                    Main().async([&t] {
                      t.add("outer-start");
                      Main().async([&t] { t.add("inner"); });
                      t.add("outer-end");
                    });
                    Main().async([&t] { t.add("queued-before-inner"); });
                  },
                  0, {"outer-start", "outer-end", "queued-before-inner", "inner"}},
        OrderCase{"AsyncAfterByDueTimeThenFifo",
                  [](Trace& t) {
                    Main().asyncAfter(2.0, [&t] { t.add("2s"); });
                    Main().asyncAfter(1.0, [&t] { t.add("1s-first"); });
                    Main().asyncAfter(1.0, [&t] { t.add("1s-second"); });
                    Main().async([&t] { t.add("now"); });
                    Main().asyncAfter(5.0, [&t] { t.add("too-late"); });
                  },
                  2.0, {"now", "1s-first", "1s-second", "2s"}},
        OrderCase{"ZeroOrNegativeDelayIsAsync",
                  [](Trace& t) {
                    Main().async([&t] { t.add("a"); });
                    Main().asyncAfter(0.0, [&t] { t.add("b"); });
                    Main().asyncAfter(-3.0, [&t] { t.add("c"); });
                  },
                  0, {"a", "b", "c"}},
        OrderCase{"CancelledAfterNeverRuns",
                  [](Trace& t) {
                    auto item = Main().asyncAfter(1.0, [&t] { t.add("cancelled"); });
                    Main().asyncAfter(2.0, [&t] { t.add("kept"); });
                    item->cancel();
                  },
                  3.0, {"kept"}},
        OrderCase{"DelayedBlockScheduledFromDelayedBlock",
                  [](Trace& t) {
                    Main().asyncAfter(1.0, [&t] {
                      t.add("1s");
                      Main().asyncAfter(1.0, [&t] { t.add("2s"); });
                    });
                    Main().asyncAfter(1.5, [&t] { t.add("1.5s"); });
                  },
                  2.0, {"1s", "1.5s", "2s"}},
        OrderCase{"OneShotTimer",
                  [](Trace& t) {
                    Timer::scheduledTimer(1.0, false, [&t](Timer& timer) {
                      t.add(timer.isValid() ? "fired" : "fired-invalid");
                    });
                  },
                  5.0, {"fired"}},
        OrderCase{"RepeatingTimerInvalidatedByItsBlock",
                  [](Trace& t) {
                    auto count = std::make_shared<int>(0);
                    Timer::scheduledTimer(2.0, true, [&t, count](Timer& timer) {
                      t.add("tick" + std::to_string(++*count));
                      if (*count == 3) timer.invalidate();
                    });
                    Main().asyncAfter(5.0, [&t] { t.add("5s"); });
                  },
                  20.0, {"tick1", "tick2", "5s", "tick3"}},
        OrderCase{"TimerInvalidatedBeforeFiring",
                  [](Trace& t) {
                    auto timer = Timer::scheduledTimer(1.0, true, [&t](Timer&) { t.add("tick"); });
                    Main().asyncAfter(0.5, [timer] { timer->invalidate(); });
                    Main().asyncAfter(2.0, [&t] { t.add("2s"); });
                  },
                  10.0, {"2s"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST_F(ManualClockTest, RepeatingTimerKeepsItsGridAndSkipsMissedFires) {
  std::vector<double> fires;
  auto timer = Timer::scheduledTimer(1.0, true, [&](Timer&) { fires.push_back(clock_->uptime()); });
  const double start = clock_->uptime();
  ASSERT_TRUE(clock_->runFor(2.0));
  // The loop was blocked for 3.5 s: one late fire, then back on the 1 s grid.
  clock_->advance(3.5);
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_TRUE(clock_->runFor(1.0));
  timer->invalidate();
  EXPECT_EQ(fires, (std::vector<double>{start + 1, start + 2, start + 5.5, start + 6}));
  EXPECT_FALSE(timer->isValid());
}

TEST_F(ManualClockTest, TimerIsKeptAliveByTheLoopUntilInvalidated) {
  int ticks = 0;
  std::weak_ptr<Timer> weak = Timer::scheduledTimer(1.0, true, [&](Timer& t) {
    if (++ticks == 2) t.invalidate();
  });
  EXPECT_FALSE(weak.expired());
  ASSERT_TRUE(clock_->runFor(10.0));
  EXPECT_EQ(ticks, 2);
  EXPECT_TRUE(weak.expired()) << "an invalidated timer must not be kept alive";
}

TEST_F(ManualClockTest, PostsFromManyThreadsRunOnMainInPerThreadOrder) {
  constexpr int kThreads = 4, kPerThread = 200;
  std::vector<std::vector<int>> seen(kThreads);
  bool offMain = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        RunLoop::main().post([&, t, i] {
          if (!RunLoop::isMainThread()) offMain = true;
          seen[t].push_back(i);
        });
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_FALSE(offMain);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) EXPECT_EQ(seen[t][i], i);
  }
}

TEST_F(ManualClockTest, RunAndStopDriveTheLoopLikeAnApplication) {
  std::vector<int> order;
  std::atomic<bool> firstRan{false};
  RunLoop::main().async([&] {
    order.push_back(1);
    firstRan = true;
  });
  RunLoop::main().asyncAfter(1.0, [&] {
    order.push_back(2);
    RunLoop::main().stop();
  });
  std::thread driver([&] {
    while (!firstRan) std::this_thread::yield();
    clock_->advance(1.0);  // the loop is blocked waiting for the delayed block
  });
  RunLoop::main().run();
  driver.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(RunLoopWallClockTest, RunUntilWaitsForADelayedBlockOnTheWallClock) {
  bool fired = false;
  RunLoop::main().asyncAfter(0.01, [&] { fired = true; });
  EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired; }, 10.0));
  EXPECT_FALSE(RunLoop::main().runUntil([] { return false; }, 0.01)) << "times out with false";
}

TEST_F(ManualClockTest, RunUntilSeesWorkFromOtherThreads) {
  bool replied = false;
  std::thread io([&] { RunLoop::main().post([&] { replied = true; }); });
  EXPECT_TRUE(clock_->runUntil([&] { return replied; }, 10.0));
  io.join();
}

}  // namespace
}  // namespace platform
