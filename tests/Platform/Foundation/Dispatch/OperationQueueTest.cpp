#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/OperationQueue.h"
#include "tests/Platform/Foundation/Dispatch/DispatchTestSupport.h"

namespace platform {
namespace {

using testing::ManualClockTest;
using testing::Trace;
using Strings = std::vector<std::string>;

TEST_F(ManualClockTest, OperationQueueStartsSuspendedThenRunsInOrderOneAtATime) {
  OperationQueue queue("test.ops", /*startSuspended=*/true);
  Trace trace;
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  for (int i = 0; i < 50; ++i) {
    queue.addOperation([&, i] {
      if (running.fetch_add(1) != 0) overlapped = true;
      trace.add(std::to_string(i));
      running.fetch_sub(1);
    });
  }
  ASSERT_TRUE(clock_->runFor(10.0));
  EXPECT_TRUE(trace.items().empty());
  EXPECT_EQ(queue.operationCount(), 50u);

  LogCapture capture;
  EXPECT_FALSE(queue.waitUntilAllOperationsAreFinished()) << "waiting on a suspended queue would never end";
  EXPECT_TRUE(capture.contains("is suspended"));

  queue.setSuspended(false);
  EXPECT_TRUE(queue.waitUntilAllOperationsAreFinished());
  EXPECT_EQ(queue.operationCount(), 0u);
  EXPECT_FALSE(overlapped);
  Strings expected;
  for (int i = 0; i < 50; ++i) expected.push_back(std::to_string(i));
  EXPECT_EQ(trace.items(), expected);
}

TEST_F(ManualClockTest, OperationQueueWaitFromItsOwnOperationDoesNotDeadlock) {
  OperationQueue queue("test.self-wait");
  LogCapture capture;
  std::atomic<int> result{-1};
  queue.addOperation([&] { result = queue.waitUntilAllOperationsAreFinished() ? 1 : 0; });
  EXPECT_TRUE(queue.waitUntilAllOperationsAreFinished());
  EXPECT_EQ(result.load(), 0);
  EXPECT_TRUE(capture.contains("from its own operation"));
}

TEST_F(ManualClockTest, OperationQueueDestroyedSuspendedStillRunsItsOperations) {
  std::atomic<int> ran{0};
  {
    OperationQueue queue("test.dtor", true);
    queue.addOperation([&] { ++ran; });
    queue.addOperation([&] { ++ran; });
  }
  EXPECT_EQ(ran.load(), 2);
}

}  // namespace
}  // namespace platform
