// The web client and the engine's utility run their transfers side by side:
// a reply held by the server holds only the transfer that waits on it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Facility/Network/HTTPSession.h"
#include "Facility/Network/HttpUtility.h"
#include "Facility/Models/MDLInitApiResponse.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/support/FacilityTestServer.h"

namespace {

using Reply = testsupport::FacilityTestServer::Reply;

class TransfersSideBySideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    server_.setDefaultReply(Reply(200, R"({"key":"abc","isSuccess":true})"));
  }
  HTTPTransfer get(const std::string& path, double timeout = 10) {
    HTTPTransfer transfer;
    transfer.method = "GET";
    transfer.url = server_.baseURL() + path;
    transfer.timeoutSeconds = timeout;
    return transfer;
  }
  testsupport::FacilityTestServer server_;
};

TEST_F(TransfersSideBySideTest, SessionAnswersALaterRequestWhileAnEarlierReplyIsHeld) {
  server_.holdReply("/slow");
  std::vector<std::string> order;
  HTTPSession::shared().perform(get("/slow"), [&](HTTPExchange e) {
    order.push_back("slow");
    ASSERT_TRUE(e.response.has_value());
    EXPECT_EQ(e.response->statusCode, 200);
  });
  ASSERT_TRUE(server_.waitForRequests(1, 5));
  HTTPSession::shared().perform(get("/quick"), [&](HTTPExchange) { order.push_back("quick"); });
  ASSERT_TRUE(platform::RunLoop::main().runUntil([&] { return order.size() == 1; }, 10));
  EXPECT_EQ(order, std::vector<std::string>{"quick"});
  // The held transfer keeps the manual clock's driver from reporting idle
  // until its completion has run on the main loop.
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server_.releaseReply("/slow");
  });
  platform::ManualClock clock;
  EXPECT_TRUE(clock.runUntilIdle());
  releaser.join();
  EXPECT_EQ(order, (std::vector<std::string>{"quick", "slow"}));
}

TEST_F(TransfersSideBySideTest, SessionTimesOutOnlyTheTransferOnASilentPath) {
  server_.holdReply("/silent");
  std::optional<HTTPExchange> silent, answered;
  HTTPSession::shared().perform(get("/silent", 0.3), [&](HTTPExchange e) { silent = std::move(e); });
  HTTPSession::shared().perform(get("/answered"), [&](HTTPExchange e) { answered = std::move(e); });
  ASSERT_TRUE(platform::RunLoop::main().runUntil([&] { return silent && answered; }, 10));
  EXPECT_EQ(silent->transportError, "The request timed out.");
  EXPECT_FALSE(silent->response.has_value());
  EXPECT_EQ(answered->transportError, std::nullopt);
  ASSERT_TRUE(answered->response.has_value());
  EXPECT_EQ(answered->response->statusCode, 200);
  server_.releaseReply("/silent");
}

TEST_F(TransfersSideBySideTest, UtilityAnswersALaterRequestWhileAnEarlierReplyIsHeld) {
  server_.holdReply("/slow");
  std::mutex mu;
  std::condition_variable cv;
  std::vector<std::string> order;
  auto note = [&](std::string tag) {
    return [&, tag](HUResult<wire::Decoded<MDLInitApiResponse>> result) {
      EXPECT_TRUE(result.isSuccess());
      std::lock_guard<std::mutex> lock(mu);
      order.push_back(tag);
      cv.notify_all();
    };
  };
  auto post = [&](const std::string& path) {
    return HURequest{*platform::URL::fromString(server_.baseURL() + path), HUHttpMethods::POST, "{}"};
  };
  HttpUtility::shared().request<MDLInitApiResponse>(post("/slow"), note("slow"));
  ASSERT_TRUE(server_.waitForRequests(1, 5));
  HttpUtility::shared().request<MDLInitApiResponse>(post("/quick"), note("quick"));
  {
    std::unique_lock<std::mutex> lock(mu);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return order.size() == 1; }));
    EXPECT_EQ(order, std::vector<std::string>{"quick"});
  }
  server_.releaseReply("/slow");
  std::unique_lock<std::mutex> lock(mu);
  ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"quick", "slow"}));
}

}  // namespace
