#include "Platform/Network/URLSession.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "tests/support/FacilityTestServer.h"

namespace {

using platform::URLRequest;
using platform::URLResponse;
using platform::URLSession;
using testsupport::FacilityTestServer;

// Every completion of a session: where it ran and what it carried.
struct Completions {
  struct Call {
    std::string queueLabel;
    std::optional<URLResponse> response;
    std::string body;
    std::optional<platform::Status> error;
  };
  URLSession::Completion handler() {
    return [this](std::optional<URLResponse> response, std::string body, std::optional<platform::Status> error) {
      std::lock_guard<std::mutex> lock(mu);
      calls.push_back({platform::DispatchQueue::currentLabel(), std::move(response), std::move(body), std::move(error)});
      cv.notify_all();
    };
  }
  bool waitFor(std::size_t n) {
    std::unique_lock<std::mutex> lock(mu);
    return cv.wait_for(lock, std::chrono::seconds(30), [&] { return calls.size() >= n; });
  }
  std::vector<Call> snapshot() {
    std::lock_guard<std::mutex> lock(mu);
    return calls;
  }
  std::mutex mu;
  std::condition_variable cv;
  std::vector<Call> calls;
};

class URLSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }
  void TearDown() override { server_.stop(); }

  // Waits a little longer to see that no second completion follows.
  void expectOnlyOne() {
    auto probe = std::make_shared<Completions>();
    session_->delegateQueue()->async([probe] { probe->handler()(std::nullopt, "", std::nullopt); });
    ASSERT_TRUE(probe->waitFor(1));
    EXPECT_EQ(completions_.snapshot().size(), 1u);
  }

  FacilityTestServer server_;
  std::shared_ptr<URLSession> session_ =
      std::make_shared<URLSession>(platform::DispatchQueue::create("URLSessionTest.delegate"));
  Completions completions_;
};

TEST_F(URLSessionTest, APostCarriesItsHeadersAndBodyAndCompletesOnceOnTheSessionsQueue) {
  FacilityTestServer::Reply reply(201, R"({"ok": true})");
  reply.headers = {{"X-Reply", "yes"}};
  server_.setReply("POST", "/api/v1/", reply);
  URLRequest request;
  request.method = "POST";
  request.url = server_.baseURL() + "/api/v1/";
  request.headers = {{"cache-control", "no-cache"}, {"Content-Type", "text/plain"}};
  request.body = "token\nwith a line break";
  request.timeoutSeconds = 10;
  session_->dataTaskWithRequest(request, completions_.handler());
  ASSERT_TRUE(completions_.waitFor(1));

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].header("cache-control"), "no-cache");
  EXPECT_EQ(requests[0].header("content-type"), "text/plain");
  EXPECT_EQ(requests[0].body, "token\nwith a line break");

  const auto call = completions_.snapshot().at(0);
  EXPECT_EQ(call.queueLabel, "URLSessionTest.delegate");
  ASSERT_TRUE(call.response);
  EXPECT_EQ(call.response->statusCode, 201);
  EXPECT_EQ(call.response->headers.count("x-reply") ? call.response->headers.at("x-reply") : "", "yes");
  EXPECT_EQ(call.body, R"({"ok": true})");
  EXPECT_FALSE(call.error);
  expectOnlyOne();
}

TEST_F(URLSessionTest, RequestsThatCannotGoOutFailOnceWithoutAResponse) {
  struct Case {
    const char* what;
    std::string url;
    double timeout;
  };
  server_.holdReply("/silent");
  const Case cases[] = {
      {"reserved host", "https://searchads.facility.invalid/api/v1/", 10},
      {"not http", "ftp://127.0.0.1/file", 10},
      {"no reply within the time-out", server_.baseURL() + "/silent", 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Completions completions;
    URLRequest request;
    request.method = "POST";
    request.url = c.url;
    request.body = "x";
    request.timeoutSeconds = c.timeout;
    session_->dataTaskWithRequest(request, completions.handler());
    ASSERT_TRUE(completions.waitFor(1));
    const auto call = completions.snapshot().at(0);
    EXPECT_EQ(call.queueLabel, "URLSessionTest.delegate");
    EXPECT_FALSE(call.response);
    ASSERT_TRUE(call.error);
    EXPECT_FALSE(call.error->ok());
  }
  server_.releaseReply("/silent");
}

}  // namespace
