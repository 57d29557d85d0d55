#include "Facility/HttpUtility.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "Facility/Models/MDLInitApiResponse.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "tests/support/FacilityTestServer.h"

namespace {

testsupport::FacilityTestServer::Reply MakeReply(int status, std::string body,
                                               std::string type = "application/json") {
  testsupport::FacilityTestServer::Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.contentType = std::move(type);
  return reply;
}

// Collects one completion, delivered on the transfer queue.
template <class T>
struct Waiter {
  std::mutex mu;
  std::condition_variable cv;
  std::optional<HUResult<T>> result;
  int calls = 0;
  std::string label;
  std::function<void(HUResult<T>)> callback() {
    return [this](HUResult<T> r) {
      std::lock_guard<std::mutex> lock(mu);
      result = std::move(r);
      ++calls;
      label = platform::DispatchQueue::currentLabel();
      cv.notify_all();
    };
  }
  bool wait() {
    std::unique_lock<std::mutex> lock(mu);
    return cv.wait_for(lock, std::chrono::seconds(10), [&] { return result.has_value(); });
  }
};

HURequest Post(const std::string& url, std::string body, HUHttpMethods method = HUHttpMethods::POST) {
  return HURequest{*platform::URL::fromString(url), method, std::move(body)};
}

class HttpUtilityTest : public ::testing::Test {
 protected:
  void TearDown() override { HttpUtility::shared().setAuthenticationToken(std::nullopt); }
  void SetUp() override {
        ASSERT_TRUE(server_.start());
  }
  testsupport::FacilityTestServer server_;
};

TEST_F(HttpUtilityTest, PostSendsJsonWithHeadersAndDecodesTheReply) {
  server_.setReply("/api/Facility/Init", MakeReply(200, R"({"key":"abc","isSuccess":true})"));
  HttpUtility::shared().setAuthenticationToken("Bearer t1");
  Waiter<MDLInitApiResponse> w;
  HttpUtility::shared().post<MDLInitApiResponse>(Post(server_.baseURL() + "/api/Facility/Init", R"({"key":"k"})"),
                                                 w.callback());
  ASSERT_TRUE(w.wait());
  ASSERT_TRUE(w.result->isSuccess());
  EXPECT_EQ(w.result->record->key, "abc");
  EXPECT_NE(w.label, platform::DispatchQueue::kMainLabel);
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, R"({"key":"k"})");
  EXPECT_EQ(requests[0].header("content-type").value_or(""), "application/json");
  EXPECT_EQ(requests[0].header("authorization").value_or(""), "Bearer t1");
}

TEST_F(HttpUtilityTest, FailuresCarryWhatWentWrong) {
  server_.setReply("/refused", MakeReply(500, "boom", "text/plain"));
  server_.setReply("/garbage", MakeReply(200, "not json", "text/plain"));
  server_.setReply("/empty", MakeReply(200, "", "text/plain"));
  {
    Waiter<MDLInitApiResponse> w;
    HttpUtility::shared().post<MDLInitApiResponse>(Post(server_.baseURL() + "/refused", "{}"), w.callback());
    ASSERT_TRUE(w.wait());
    ASSERT_FALSE(w.result->isSuccess());
    EXPECT_EQ(w.result->failure->httpStatusCode, 500);
    EXPECT_EQ(w.result->failure->serverResponse, "boom");
    EXPECT_EQ(w.result->failure->reason, std::nullopt);
  }
  {
    Waiter<MDLInitApiResponse> w;
    HttpUtility::shared().post<MDLInitApiResponse>(Post(server_.baseURL() + "/garbage", "{}"), w.callback());
    ASSERT_TRUE(w.wait());
    ASSERT_FALSE(w.result->isSuccess());
    EXPECT_TRUE(w.result->failure->reason.has_value());
  }
  {
    Waiter<MDLInitApiResponse> w;
    HttpUtility::shared().post<MDLInitApiResponse>(Post(server_.baseURL() + "/empty", "{}"), w.callback());
    ASSERT_TRUE(w.wait());
    EXPECT_TRUE(w.result->isSuccess());
    EXPECT_FALSE(w.result->record.has_value());
  }
}

TEST_F(HttpUtilityTest, TransportFailureHasAReason) {
  int port = server_.port();
  server_.stop();
  Waiter<MDLInitApiResponse> w;
  HttpUtility::shared().post<MDLInitApiResponse>(Post("http://127.0.0.1:" + std::to_string(port) + "/x", "{}"),
                                                 w.callback());
  ASSERT_TRUE(w.wait());
  ASSERT_FALSE(w.result->isSuccess());
  EXPECT_TRUE(w.result->failure->reason.has_value());
  EXPECT_EQ(w.result->failure->httpStatusCode, std::nullopt);
}

TEST_F(HttpUtilityTest, NonPostCompletesOnceWithUnsupportedMethodAndSendsNothing) {
  for (auto method : {HUHttpMethods::GET, HUHttpMethods::PUT, HUHttpMethods::DELETE}) {
    Waiter<MDLInitApiResponse> w;
    HttpUtility::shared().post<MDLInitApiResponse>(Post(server_.baseURL() + "/x", "{}", method), w.callback());
    ASSERT_TRUE(w.wait());
    EXPECT_EQ(w.calls, 1);
    ASSERT_FALSE(w.result->isSuccess());
    EXPECT_NE(w.result->failure->reason->find("unsupported method"), std::string::npos);
  }
  EXPECT_EQ(server_.requestCount(), 0u);
}

}  // namespace
