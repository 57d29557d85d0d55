#include "Platform/Network/TransferEngine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TaskQueueRegistry.h"
#include "tests/support/FacilityTestServer.h"

namespace {

using platform::TransferEngine;
using platform::TransferError;
using platform::TransferRequest;
using platform::TransferResult;

// Outcomes by tag, in arrival order, with how often each tag completed.
class Outcomes {
 public:
  TransferEngine::Completion callback(std::string tag) {
    return [this, tag](TransferResult result) {
      std::lock_guard<std::mutex> lock(mu_);
      order_.push_back(tag);
      ++calls_[tag];
      results_[tag] = std::move(result);
      cv_.notify_all();
    };
  }
  bool waitFor(std::size_t count, double seconds = 10) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return order_.size() >= count; });
  }
  std::vector<std::string> order() {
    std::lock_guard<std::mutex> lock(mu_);
    return order_;
  }
  int calls(const std::string& tag) {
    std::lock_guard<std::mutex> lock(mu_);
    return calls_[tag];
  }
  TransferResult result(const std::string& tag) {
    std::lock_guard<std::mutex> lock(mu_);
    return results_[tag];
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::vector<std::string> order_;
  std::map<std::string, int> calls_;
  std::map<std::string, TransferResult> results_;
};

// A loopback port nobody listens on.
int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

class TransferEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    server_.setDefaultReply({200, "fine", "text/plain"});
  }
  TransferRequest get(const std::string& path, double timeout = 10) {
    TransferRequest request;
    request.url = server_.baseURL() + path;
    request.timeoutSeconds = timeout;
    return request;
  }
  testsupport::FacilityTestServer server_;
  TransferEngine engine_;
  Outcomes outcomes_;
};

TEST_F(TransferEngineTest, HeldReplyDoesNotHoldLaterTransfers) {
  server_.holdReply("/slow");
  engine_.start(get("/slow"), outcomes_.callback("slow"));
  ASSERT_TRUE(server_.waitForRequests(1, 5));
  engine_.start(get("/quick"), outcomes_.callback("quick"));
  ASSERT_TRUE(outcomes_.waitFor(1));
  server_.releaseReply("/slow");
  ASSERT_TRUE(outcomes_.waitFor(2));
  EXPECT_EQ(outcomes_.order(), (std::vector<std::string>{"quick", "slow"}));
  EXPECT_EQ(outcomes_.result("slow").status, 200);
  EXPECT_EQ(outcomes_.result("slow").body, "fine");
}

TEST_F(TransferEngineTest, SilentServerTimesOutOnlyItsOwnTransfer) {
  server_.holdReply("/silent");
  const auto begun = std::chrono::steady_clock::now();
  engine_.start(get("/silent", 0.3), outcomes_.callback("silent"));
  engine_.start(get("/answered", 10), outcomes_.callback("answered"));
  ASSERT_TRUE(outcomes_.waitFor(2));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
  TransferResult silent = outcomes_.result("silent");
  EXPECT_EQ(silent.error, TransferError::kTimedOut);
  EXPECT_FALSE(silent.errorText.empty());
  TransferResult answered = outcomes_.result("answered");
  EXPECT_EQ(answered.error, TransferError::kNone);
  EXPECT_EQ(answered.status, 200);
  server_.releaseReply("/silent");
}

TEST_F(TransferEngineTest, TransfersThatCannotStartReportWhy) {
  struct Case {
    std::string url;
    TransferError error;
  };
  const std::vector<Case> cases = {
      {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", TransferError::kCouldNotConnect},
      {"ftp://127.0.0.1/x", TransferError::kUnsupportedURL},
      {"not a url", TransferError::kUnsupportedURL},
  };
  for (const auto& c : cases) {
    TransferRequest request;
    request.url = c.url;
    engine_.start(request, outcomes_.callback(c.url));
  }
  ASSERT_TRUE(outcomes_.waitFor(cases.size()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(outcomes_.calls(c.url), 1);
    TransferResult result = outcomes_.result(c.url);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(result.errorDetail.empty());
  }
}

// The log names each place transfers start to once, the scheme's port
// filled in; a refused ".invalid" host starts nothing and is not named.
TEST_F(TransferEngineTest, LogsEachSchemeHostAndPortOnce) {
  platform::LogCapture log;
  const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedPort());
  TransferRequest refused;
  refused.url = "https://measurement.facility.invalid/a";
  refused.refuseInvalidDomain = true;
  TransferRequest noPort;
  noPort.url = "https://LOCALHOST./x";
  noPort.timeoutSeconds = 2;
  engine_.start(get("/one"), outcomes_.callback("one"));
  engine_.start(get("/two?x=1"), outcomes_.callback("two"));
  TransferRequest unanswered;
  unanswered.url = closed + "/x";
  engine_.start(unanswered, outcomes_.callback("closed"));
  engine_.start(refused, outcomes_.callback("refused"));
  engine_.start(noPort, outcomes_.callback("no port"));
  ASSERT_TRUE(outcomes_.waitFor(5));
  std::vector<std::string> lines;
  for (const auto& line : log.lines()) {
    if (line.rfind("transfer: ", 0) == 0) lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"transfer: " + server_.baseURL(), "transfer: " + closed,
                                             "transfer: https://localhost:443"}));
}

TEST_F(TransferEngineTest, CancelEndsOnlyThatTransfer) {
  server_.holdReply("/held");
  auto held = engine_.start(get("/held"), outcomes_.callback("held"));
  ASSERT_TRUE(server_.waitForRequests(1, 5));
  engine_.cancel(held);
  ASSERT_TRUE(outcomes_.waitFor(1));
  EXPECT_EQ(outcomes_.result("held").error, TransferError::kCancelled);
  engine_.start(get("/other"), outcomes_.callback("other"));
  ASSERT_TRUE(outcomes_.waitFor(2));
  EXPECT_EQ(outcomes_.result("other").status, 200);
  engine_.cancel(held);  // already finished: nothing happens
  server_.releaseReply("/held");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(outcomes_.calls("held"), 1);
}

TEST_F(TransferEngineTest, ShutdownCompletesEveryTransferInFlightOnce) {
  server_.holdReply("/held");
  constexpr int kHeld = 6;
  for (int i = 0; i < kHeld; ++i) engine_.start(get("/held"), outcomes_.callback("held" + std::to_string(i)));
  ASSERT_TRUE(server_.waitForRequests(kHeld, 5));
  // Queued but maybe not yet begun when the engine stops.
  engine_.start(get("/held"), outcomes_.callback("late"));
  engine_.shutdown();
  ASSERT_TRUE(outcomes_.waitFor(kHeld + 1, 0));
  for (int i = 0; i < kHeld; ++i) {
    EXPECT_EQ(outcomes_.calls("held" + std::to_string(i)), 1);
    EXPECT_EQ(outcomes_.result("held" + std::to_string(i)).error, TransferError::kCancelled);
  }
  EXPECT_EQ(outcomes_.result("late").error, TransferError::kCancelled);
  // After shutdown a transfer completes at once, cancelled.
  engine_.start(get("/quick"), outcomes_.callback("after"));
  EXPECT_EQ(outcomes_.calls("after"), 1);
  EXPECT_EQ(outcomes_.result("after").error, TransferError::kCancelled);
  engine_.shutdown();  // twice is harmless
  server_.releaseReply("/held");
}

TEST_F(TransferEngineTest, ManyTransfersAtOnceEachCompleteOnceWithTheirOwnReply) {
  constexpr int kCount = 300;
  for (int i = 0; i < kCount; ++i) server_.setReply("/n/" + std::to_string(i), {200, "reply " + std::to_string(i)});
  std::vector<std::thread> starters;
  for (int t = 0; t < 4; ++t) {
    starters.emplace_back([&, t] {
      for (int i = t; i < kCount; i += 4) {
        engine_.start(get("/n/" + std::to_string(i), 30), outcomes_.callback(std::to_string(i)));
      }
    });
  }
  for (auto& thread : starters) thread.join();
  ASSERT_TRUE(outcomes_.waitFor(kCount, 60));
  for (int i = 0; i < kCount; ++i) {
    const std::string tag = std::to_string(i);
    ASSERT_EQ(outcomes_.calls(tag), 1) << tag;
    TransferResult result = outcomes_.result(tag);
    ASSERT_EQ(result.error, TransferError::kNone) << tag << ": " << result.errorDetail;
    EXPECT_EQ(result.body, "reply " + tag);
  }
  EXPECT_EQ(outcomes_.order().size(), static_cast<std::size_t>(kCount));
}

TEST_F(TransferEngineTest, HeaderLinesCannotAddHeadersAndReplyHeadersAreKept) {
  testsupport::FacilityTestServer::Reply reply{201, "{}"};
  reply.headers["X-Reply"] = "  spaced  ";
  server_.setReply("/h", reply);
  TransferRequest request = get("/h");
  request.method = "POST";
  request.body = "payload";
  request.headerLines = {"X-One: a\r\nX-Injected: b"};
  engine_.start(request, outcomes_.callback("h"));
  ASSERT_TRUE(outcomes_.waitFor(1));
  TransferResult result = outcomes_.result("h");
  EXPECT_EQ(result.status, 201);
  bool found = false;
  for (const auto& [name, value] : result.headers) {
    if (name == "X-Reply") found = value == "spaced";
  }
  EXPECT_TRUE(found);
  auto seen = server_.requests().at(0);
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, "payload");
  EXPECT_EQ(seen.header("X-One"), "aX-Injected: b");
  EXPECT_FALSE(seen.header("X-Injected").has_value());
}

TEST_F(TransferEngineTest, CountedTransferKeepsTheProcessBusyUntilItCompletes) {
  auto& registry = platform::TaskQueueRegistry::shared();
  server_.holdReply("/held");
  TransferRequest request = get("/held");
  request.countsAsPendingWork = true;
  engine_.start(request, outcomes_.callback("held"));
  ASSERT_TRUE(server_.waitForRequests(1, 5));
  EXPECT_FALSE(registry.allIdle());
  server_.releaseReply("/held");
  ASSERT_TRUE(outcomes_.waitFor(1));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!registry.allIdle() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(registry.allIdle());
}

}  // namespace
