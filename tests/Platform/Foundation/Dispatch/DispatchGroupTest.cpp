#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Platform/Foundation/DispatchGroup.h"
#include "Platform/Foundation/Log.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::ManualClockTest;
using testing::Trace;
using Strings = std::vector<std::string>;

TEST_F(ManualClockTest, GroupNotifiesOnMainOnceBothRepliesAreIn) {
  // The dashboard pattern: two requests in one group, reload when both are in.
  DispatchGroup group;
  Trace trace;
  group.enter();
  group.enter();
  group.notify([&, group] {
    trace.add(std::string("notify:") + (RunLoop::isMainThread() ? "main" : "other") + ":" +
              std::to_string(group.count()));
  });
  auto worker = DispatchQueue::create("test.replies");
  worker->after(2.0, [&, group]() mutable {
    trace.add("reply-2");
    EXPECT_TRUE(group.leave().ok());
  });
  RunLoop::main().asyncAfter(1.0, [&, group]() mutable {
    trace.add("reply-1");
    EXPECT_TRUE(group.leave().ok());
  });
  ASSERT_TRUE(clock_->runFor(1.0));
  EXPECT_EQ(trace.items(), (Strings{"reply-1"}));
  ASSERT_TRUE(clock_->runFor(1.0));
  EXPECT_EQ(trace.items(), (Strings{"reply-1", "reply-2", "notify:main:0"}));
}

TEST_F(ManualClockTest, GroupNotifyOnEmptyGroupRunsInALaterTurnOnTheGivenQueue) {
  DispatchGroup group;
  auto queue = DispatchQueue::create("test.notify");
  Trace trace;
  group.notify([&] { trace.add("main"); });
  group.notify(queue, [&] { trace.add(DispatchQueue::currentLabel()); });
  EXPECT_TRUE(trace.items().empty() || trace.items() == Strings{"test.notify"});
  ASSERT_TRUE(clock_->runUntilIdle());
  auto items = trace.items();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (Strings{"main", "test.notify"}));

  // A notify block runs once, not again on the next empty transition.
  group.enter();
  group.leave();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace.items().size(), 2u);
}

TEST_F(ManualClockTest, UnbalancedLeaveIsReportedNotFatal) {
  DispatchGroup group;
  LogCapture capture;
  Status s = group.leave();
  EXPECT_EQ(s.code(), Status::Code::kFailedPrecondition);
  EXPECT_TRUE(capture.contains("leave() without a matching enter()"));
  EXPECT_EQ(group.count(), 0);
  // The group still works afterwards.
  bool notified = false;
  group.enter();
  group.notify([&] { notified = true; });
  EXPECT_TRUE(group.leave().ok());
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(notified);
}

TEST_F(ManualClockTest, GroupWaitReturnsWhenEmptiedOrWhenTheClockRunsOut) {
  DispatchGroup group;
  EXPECT_TRUE(group.wait(0.0)) << "an empty group does not block";
  group.enter();
  EXPECT_FALSE(group.wait(0.0));

  std::atomic<bool> done{false};
  bool result = true;
  std::thread waiter([&] {
    result = group.wait(30.0);
    done = true;
  });
  while (!done) {
    clock_->advance(5.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  waiter.join();
  EXPECT_FALSE(result);

  auto queue = DispatchQueue::create("test.leaver");
  queue->async([group]() mutable { group.leave(); });
  EXPECT_TRUE(group.wait(-1.0));
}

}  // namespace
}  // namespace platform
