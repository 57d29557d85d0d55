#include "tests/support/FacilityTestServer.h"

#include <httplib.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {
namespace {

using Reply = FacilityTestServer::Reply;

class FacilityTestServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.start()); }

  // "status body" of one request, or "none" when it got no reply.
  std::string send(const std::string& method, const std::string& path, const std::string& body = "") {
    httplib::Client client("127.0.0.1", server.port());
    httplib::Result result = method == "GET" ? client.Get(path) : client.Post(path, body, "text/plain");
    if (!result) return "none";
    return std::to_string(result->status) + " " + result->body;
  }

  FacilityTestServer server;
};

TEST_F(FacilityTestServerTest, AListAnswersInTurnAndItsLastReplyRepeats) {
  server.setReplies("/list", {Reply(200, "first"), Reply(500, "second"), Reply(201, "last")});
  std::vector<std::string> got;
  for (int i = 0; i < 5; ++i) got.push_back(send("GET", "/list"));
  EXPECT_EQ(got, (std::vector<std::string>{"200 first", "500 second", "201 last", "201 last", "201 last"}));
}

TEST_F(FacilityTestServerTest, MethodListsAreKeptApartAndANewScriptStartsOver) {
  server.setReplies("/p", {Reply(200, "any 1"), Reply(200, "any 2")});
  server.setReplies("POST", "/p", {Reply(200, "post 1"), Reply(200, "post 2")});
  EXPECT_EQ(send("POST", "/p"), "200 post 1");
  EXPECT_EQ(send("GET", "/p"), "200 any 1");
  EXPECT_EQ(send("POST", "/p"), "200 post 2");
  EXPECT_EQ(send("GET", "/p"), "200 any 2");
  // One reply is a list of one; setting it again starts the path over.
  server.setReply("/p", Reply(202, "single"));
  EXPECT_EQ(send("GET", "/p"), "202 single");
  server.setReplies("/p", {Reply(200, "again 1"), Reply(200, "again 2")});
  EXPECT_EQ(send("GET", "/p"), "200 again 1");
  // An empty list takes the script away: the default reply answers.
  server.setReplies("/p", {});
  EXPECT_EQ(send("GET", "/p"), "404 ");
}

// Handlers compute replies from the request and state they keep; the
// method-specific one wins, scripts keep their paths, and the default
// handler takes only what nothing else answers.
TEST_F(FacilityTestServerTest, HandlersComputeRepliesFromRequestAndState) {
  int counter = 0;  // requests come one at a time here
  server.setHandler("/count", [&counter](const FacilityTestServer::RecordedRequest& request) {
    return Reply(200, request.method + " " + std::to_string(++counter) + " " + request.body);
  });
  server.setHandler("POST", "/count", [](const FacilityTestServer::RecordedRequest& request) {
    return Reply(201, "post " + request.form().at(0).second);
  });
  server.setReply("/scripted", Reply(200, "script"));
  server.setDefaultHandler([](const FacilityTestServer::RecordedRequest& request) {
    return Reply(418, "default " + request.path);
  });
  EXPECT_EQ(send("GET", "/count"), "200 GET 1 ");
  EXPECT_EQ(send("GET", "/count"), "200 GET 2 ");
  EXPECT_EQ(send("POST", "/count", "a=x%20y"), "201 post x y");
  EXPECT_EQ(send("GET", "/scripted"), "200 script");
  EXPECT_EQ(send("POST", "/elsewhere"), "418 default /elsewhere");
  EXPECT_EQ(server.requestCount(), 5u);
  // A handler set to nothing hands the path back to the default.
  server.setHandler("/count", nullptr);
  EXPECT_EQ(send("GET", "/count"), "418 default /count");
}

// Requests arriving side by side take the list's replies in the order the
// server records them, so a test can tell which request got which reply.
TEST_F(FacilityTestServerTest, SideBySideRequestsTakeRepliesInRecordedOrder) {
  constexpr int kCount = 16;
  std::vector<Reply> replies;
  for (int i = 0; i < kCount; ++i) replies.emplace_back(200, std::to_string(i));
  server.setReplies("POST", "/burst", replies);
  std::vector<std::string> got(kCount);
  std::vector<std::thread> threads;
  for (int i = 0; i < kCount; ++i) {
    threads.emplace_back(
        [&, i] { got[static_cast<std::size_t>(i)] = send("POST", "/burst", "request " + std::to_string(i)); });
  }
  for (auto& t : threads) t.join();
  auto recorded = server.requests();
  ASSERT_EQ(recorded.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(got[static_cast<std::size_t>(i)].rfind("200 ", 0), 0u) << got[static_cast<std::size_t>(i)];
    std::size_t position = std::stoul(got[static_cast<std::size_t>(i)].substr(4));
    ASSERT_LT(position, recorded.size());
    EXPECT_EQ(recorded[position].body, "request " + std::to_string(i));
  }
}

// A held request keeps waiting while a later one to the same path is
// answered at once; the release answers the held one with its own reply.
TEST_F(FacilityTestServerTest, ANewerRequestCanBeAnsweredBeforeAHeldOlderOne) {
  server.setReplies("/held", {Reply(200, "older"), Reply(200, "newer")});
  server.holdReply("/held");
  std::string older;
  std::thread first([&] { older = send("GET", "/held"); });
  ASSERT_TRUE(server.waitForRequests(1, 5.0));
  server.stopHoldingNewReplies("/held");
  EXPECT_EQ(send("GET", "/held"), "200 newer");
  EXPECT_TRUE(older.empty());
  server.releaseReply("/held");
  first.join();
  EXPECT_EQ(older, "200 older");
  // Nothing is held any more.
  EXPECT_EQ(send("GET", "/held"), "200 newer");
}

}  // namespace
}  // namespace testsupport
