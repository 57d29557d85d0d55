#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::ManualClockTest;
using testing::Trace;
using Strings = std::vector<std::string>;

TEST_F(ManualClockTest, SerialQueueKeepsPerSubmitterOrderAndRunsOneAtATime) {
  auto queue = DispatchQueue::create("test.serial");
  constexpr int kThreads = 6, kPerThread = 300;
  std::vector<std::vector<int>> seen(kThreads);  // touched only on the queue
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        auto body = [&, t, i] {
          if (running.fetch_add(1) != 0) overlapped = true;
          seen[t].push_back(i);
          running.fetch_sub(1);
        };
        // Mix the submission forms; all of them keep the queue's order.
        if (i % 10 == 9) {
          queue->sync(body);
        } else {
          queue->async(body);
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_FALSE(overlapped);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread)) << t;
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;
  }
}

TEST_F(ManualClockTest, SyncFromOwnQueueRunsInlineAndLogsReentry) {
  auto queue = DispatchQueue::create("test.reentry");
  LogCapture capture;
  Strings order;
  queue->sync([&] {
    order.push_back("outer");
    queue->sync([&] {
      order.push_back("inner");
      queue->sync([&] { order.push_back("innermost"); });
    });
    order.push_back("outer-end");
  });
  EXPECT_EQ(order, (Strings{"outer", "inner", "innermost", "outer-end"}));
  EXPECT_TRUE(capture.contains("test.reentry"));
  EXPECT_TRUE(capture.contains("running the block inline"));

  // The same from a block on the queue's own thread.
  capture.clear();
  std::atomic<bool> ran{false};
  queue->async([&] { queue->sync([&] { ran = true; }); });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(ran);
  EXPECT_TRUE(capture.contains("running the block inline"));
}

TEST_F(ManualClockTest, SyncOnIdleQueueRunsOnCallerThreadAndWaitsBehindQueuedBlocks) {
  auto queue = DispatchQueue::create("test.sync");
  std::thread::id ranOn;
  std::string labelInside;
  queue->sync([&] {
    ranOn = std::this_thread::get_id();
    labelInside = DispatchQueue::currentLabel();
  });
  EXPECT_EQ(ranOn, std::this_thread::get_id()) << "no hand-off on an idle queue";
  EXPECT_EQ(labelInside, "test.sync");

  Trace trace;
  queue->suspend();
  queue->async([&] { trace.add("queued-first"); });
  std::thread caller([&] { queue->sync([&] { trace.add("sync"); }); });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(trace.items().empty()) << "a suspended queue runs nothing, sync included";
  queue->resume();
  caller.join();
  EXPECT_EQ(trace.items(), (Strings{"queued-first", "sync"}));
}

TEST_F(ManualClockTest, CurrentLabelTable) {
  auto a = DispatchQueue::create("test.a");
  auto b = DispatchQueue::create("test.b");
  Trace trace;
  trace.add("main:" + DispatchQueue::currentLabel());
  a->async([&] {
    trace.add("a:" + DispatchQueue::currentLabel());
    b->sync([&] { trace.add("a>b:" + DispatchQueue::currentLabel()); });
    trace.add("a-after:" + DispatchQueue::currentLabel());
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  std::thread plain([&] { trace.add("thread:" + DispatchQueue::currentLabel()); });
  plain.join();
  EXPECT_EQ(trace.items(), (Strings{"main:main", "a:test.a", "a>b:test.b", "a-after:test.a", "thread:"}));
  EXPECT_TRUE(DispatchQueue::main()->isCurrent());
  EXPECT_FALSE(a->isCurrent());
}

TEST_F(ManualClockTest, ManualClockReleasesDueBlocksOnEveryQueueInDueOrder) {
  auto a = DispatchQueue::create("test.a");
  auto b = DispatchQueue::create("test.b");
  Trace trace;
  a->after(3.0, [&] { trace.add("a@3"); });
  b->after(1.0, [&] { trace.add("b@1"); });
  DispatchQueue::main()->after(2.0, [&] { trace.add("main@2"); });
  a->after(1.5, [&] {
    trace.add("a@1.5");
    b->after(1.0, [&] { trace.add("b@2.5"); });  // scheduled at 1.5, due at 2.5
  });
  auto cancelled = b->after(2.2, [&] { trace.add("cancelled"); });
  cancelled->cancel();
  b->after(9.0, [&] { trace.add("b@9"); });

  ASSERT_TRUE(clock_->runFor(0.5));
  EXPECT_TRUE(trace.items().empty());
  ASSERT_TRUE(clock_->runFor(2.5));
  EXPECT_EQ(trace.items(), (Strings{"b@1", "a@1.5", "main@2", "b@2.5", "a@3"}));
  EXPECT_TRUE(cancelled->isCancelled());
}

TEST_F(ManualClockTest, SuspendedQueueRunsNothingUntilResumed) {
  auto queue = DispatchQueue::create("test.suspend");
  Trace trace;
  queue->suspend();
  queue->suspend();  // counted
  queue->async([&] { trace.add("async"); });
  queue->after(1.0, [&] { trace.add("after"); });
  ASSERT_TRUE(clock_->runFor(5.0));
  EXPECT_TRUE(trace.items().empty());
  queue->resume();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(trace.items().empty()) << "still suspended once";
  queue->resume();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace.items(), (Strings{"async", "after"}));

  LogCapture capture;
  queue->resume();  // unbalanced
  EXPECT_TRUE(capture.contains("resume without a matching suspend"));
  EXPECT_FALSE(queue->isSuspended());
}

TEST_F(ManualClockTest, QueueDestroyedWhileSuspendedIsResumedAndDrained) {
  LogCapture capture;
  std::atomic<int> ran{0};
  DispatchWorkItemPtr notDue;
  {
    auto queue = DispatchQueue::create("test.dying");
    queue->suspend();
    queue->async([&] { ++ran; });
    queue->async([&] { ++ran; });
    notDue = queue->after(100.0, [&] { ran += 100; });
  }
  EXPECT_EQ(ran.load(), 2);
  EXPECT_TRUE(notDue->isCancelled()) << "a block not yet due dies with its queue";
  EXPECT_TRUE(notDue->wait(-1.0)) << "and does not strand its waiters";
  EXPECT_TRUE(capture.contains("destroyed while suspended"));
  EXPECT_TRUE(clock_->runFor(200.0));
  EXPECT_EQ(ran.load(), 2);
}

TEST_F(ManualClockTest, QueueReleasedByItsOwnBlockFinishesCleanly) {
  std::atomic<bool> ran{false};
  auto queue = DispatchQueue::create("test.self");
  queue->async([q = queue, &ran] { ran = true; });  // the block holds the last reference
  queue.reset();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(ran);
}

TEST_F(ManualClockTest, WorkerThreadsHaveAtLeastEightMegabytesOfStack) {
  auto queue = DispatchQueue::create("test.stack");
  size_t stack = 0;
  queue->sync([] {});  // make sure the thread runs
  auto item = std::make_shared<DispatchWorkItem>([&] {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_getattr_np(pthread_self(), &attr), 0);
    ASSERT_EQ(pthread_attr_getstacksize(&attr, &stack), 0);
    pthread_attr_destroy(&attr);
  });
  queue->async(item);
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_GE(stack, 8u * 1024u * 1024u);
}

TEST_F(ManualClockTest, BoundedWaitOnASubmittedBlock) {
  auto queue = DispatchQueue::create("test.wait");
  queue->suspend();
  auto item = std::make_shared<DispatchWorkItem>([] {});
  queue->async(item);
  EXPECT_FALSE(item->wait(0.0));
  // The timeout runs on the injected clock: it expires when the clock moves.
  std::atomic<bool> done{false};
  bool result = true;
  std::thread waiter([&] {
    result = item->wait(10.0);
    done = true;
  });
  while (!done) {
    clock_->advance(1.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  waiter.join();
  EXPECT_FALSE(result);
  queue->resume();
  EXPECT_TRUE(item->wait(10.0));
  EXPECT_TRUE(item->isFinished());

  auto cancelled = std::make_shared<DispatchWorkItem>([] { FAIL() << "cancelled block ran"; });
  queue->suspend();
  queue->async(cancelled);
  cancelled->cancel();
  EXPECT_TRUE(cancelled->wait(0.0)) << "a cancelled item releases its waiters";
  queue->resume();
  ASSERT_TRUE(clock_->runUntilIdle());
}

TEST_F(ManualClockTest, ThrowingBlockIsLoggedAndTheQueueGoesOn) {
  auto queue = DispatchQueue::create("test.throw");
  LogCapture capture;
  std::atomic<bool> next{false};
  auto item = std::make_shared<DispatchWorkItem>([] { throw std::runtime_error("boom"); });
  queue->async(item);
  queue->async([&] { next = true; });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(next);
  EXPECT_TRUE(item->isFinished());
  EXPECT_TRUE(capture.contains("boom"));
}

TEST_F(ManualClockTest, MainQueueSyncFromWorkerRunsOnMainThread) {
  auto queue = DispatchQueue::create("test.tomain");
  std::atomic<bool> onMain{false};
  std::atomic<bool> done{false};
  queue->async([&] {
    DispatchQueue::main()->sync([&] { onMain = RunLoop::isMainThread(); });
    done = true;
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(done);
  EXPECT_TRUE(onMain);

  LogCapture capture;
  bool inline_ = false;
  DispatchQueue::main()->sync([&] { inline_ = true; });
  EXPECT_TRUE(inline_);
  EXPECT_TRUE(capture.contains("running the block inline"));
}

TEST_F(ManualClockTest, DroppingPendingMainBlocksReleasesTheirWaiters) {
  std::atomic<bool> ran{false};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    DispatchQueue::main()->sync([&] { ran = true; });
    returned = true;
  });
  // Wait (real time) until the worker's block sits on the main loop.
  for (int i = 0; i < 10000 && RunLoop::main().isIdle(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(RunLoop::main().isIdle());
  auto delayed = RunLoop::main().asyncAfter(5.0, [&] { ran = true; });

  RunLoop::main().removeAllPending();
  worker.join();  // hangs here if the dropped block is never released
  EXPECT_TRUE(returned);
  EXPECT_TRUE(delayed->isCancelled());
  clock_->advance(10.0);
  RunLoop::main().runUntilIdle();
  EXPECT_FALSE(ran) << "dropped blocks never run";
}

}  // namespace
}  // namespace platform
