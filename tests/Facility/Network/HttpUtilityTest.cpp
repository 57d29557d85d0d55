#include "Facility/Network/HttpUtility.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "Facility/Models/MDLInitApiResponse.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/ISO8601DateFormatter.h"
#include "tests/support/FacilityTestServer.h"

namespace {

using Reply = testsupport::FacilityTestServer::Reply;

// Collects completions, delivered on the transfer queue.
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

HURequest Post(const std::string& url, std::optional<std::string> body,
               HUHttpMethods method = HUHttpMethods::POST) {
  return HURequest{*platform::URL::fromString(url), method, std::move(body)};
}

// A reply type outside the wire records, holding a date read through the
// utility's decoder.
struct Stamped {
  platform::Date at{};
  static platform::Result<Stamped> decode(std::string_view json, const HUJsonDecoder& decoder) {
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (!parsed.is_object() || !parsed.contains("at") || !parsed["at"].is_string()) {
      return platform::Status::InvalidArgument("at: expected text");
    }
    auto date = decoder.decodeDate(parsed["at"].get<std::string>());
    if (!date) return platform::Status::InvalidArgument("at: not a date");
    return Stamped{*date};
  }
};

class HttpUtilityTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }
  void TearDown() override {
    HttpUtility::shared().setAuthenticationToken(std::nullopt);
    HttpUtility::shared().setCustomJsonDecoder(std::nullopt);
    HttpUtility::shared().setTimeoutInterval(HttpUtility::kTimeoutSeconds);
  }
  template <class R>
  HUResult<typename HUReply<R>::Record> send(const HURequest& request) {
    Waiter<typename HUReply<R>::Record> w;
    HttpUtility::shared().request<R>(request, w.callback());
    EXPECT_TRUE(w.wait());
    EXPECT_EQ(w.calls, 1);
    EXPECT_NE(w.label, platform::DispatchQueue::kMainLabel);
    return *w.result;
  }
  testsupport::FacilityTestServer server_;
};

TEST_F(HttpUtilityTest, PostSendsJsonWithExactlyTheTwoHeadersAndDecodesTheReply) {
  server_.setReply("/api/Facility/Init", Reply(200, R"({"key":"abc","isSuccess":true})"));
  auto plain = send<MDLInitApiResponse>(Post(server_.baseURL() + "/api/Facility/Init", R"({"key":"k"})"));
  ASSERT_TRUE(plain.isSuccess());
  EXPECT_EQ(plain.record->key, "abc");

  HttpUtility::shared().setAuthenticationToken("t1");
  ASSERT_TRUE(send<MDLInitApiResponse>(Post(server_.baseURL() + "/api/Facility/Init", "{}")).isSuccess());

  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, R"({"key":"k"})");
  EXPECT_EQ(requests[0].header("content-type"), "application/json");
  EXPECT_EQ(requests[0].header("authorization"), std::nullopt);
  EXPECT_EQ(requests[0].header("accept"), std::nullopt);
  // The token goes out as given, with no scheme word in front.
  EXPECT_EQ(requests[1].header("authorization"), "t1");
}

TEST_F(HttpUtilityTest, RepliesThatAreNotARecordFailWithStatusAndBodyButNoReason) {
  struct Case {
    const char* name;
    Reply reply;
    std::optional<std::string> serverResponse;
  };
  const Case cases[] = {
      {"refused", Reply(500, "boom", "text/plain"), "boom"},
      {"refused-but-decodable", Reply(500, R"({"key":"abc"})"), R"({"key":"abc"})"},
      {"undecodable", Reply(200, "not json", "text/plain"), "not json"},
      {"wrong-shape", Reply(200, R"({"key":12})"), R"({"key":12})"},
      {"empty", Reply(200, "", "text/plain"), ""},
      {"not-utf8", Reply(200, "\xff\xfe", "application/octet-stream"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setReply(std::string("/") + c.name, c.reply);
    auto result = send<MDLInitApiResponse>(Post(server_.baseURL() + "/" + c.name, R"({"key":"k"})"));
    ASSERT_FALSE(result.isSuccess());
    EXPECT_FALSE(result.record.has_value());
    const auto& f = *result.failure;
    EXPECT_EQ(f.reason, std::nullopt);
    EXPECT_EQ(f.httpStatusCode, c.reply.status);
    EXPECT_EQ(f.serverResponse, c.serverResponse);
    EXPECT_EQ(f.requestBody, R"({"key":"k"})");
    ASSERT_TRUE(f.requestUrl.has_value());
    EXPECT_EQ(f.requestUrl->absoluteString(), server_.baseURL() + "/" + c.name);
  }
}

TEST_F(HttpUtilityTest, TransportFailuresHaveAReasonAndNoStatus) {
  int port = server_.port();
  server_.stop();
  auto refused = send<MDLInitApiResponse>(Post("http://127.0.0.1:" + std::to_string(port) + "/x", std::nullopt));
  ASSERT_FALSE(refused.isSuccess());
  EXPECT_TRUE(refused.failure->reason.has_value());
  EXPECT_EQ(refused.failure->httpStatusCode, std::nullopt);
  EXPECT_EQ(refused.failure->requestBody, std::nullopt);

  // A peer that accepts the connection and never answers runs into the time limit.
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  HttpUtility::shared().setTimeoutInterval(0.2);
  auto silent =
      send<MDLInitApiResponse>(Post("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x", "{}"));
  ::close(fd);
  ASSERT_FALSE(silent.isSuccess());
  ASSERT_TRUE(silent.failure->reason.has_value());
  EXPECT_NE(silent.failure->reason->find("imeout"), std::string::npos) << *silent.failure->reason;
  EXPECT_EQ(silent.failure->httpStatusCode, std::nullopt);
}

TEST_F(HttpUtilityTest, OtherMethodsCompleteOnceWithUnsupportedMethodAndSendNothing) {
  for (auto method : {HUHttpMethods::GET, HUHttpMethods::PUT, HUHttpMethods::DELETE}) {
    auto result = send<MDLInitApiResponse>(Post(server_.baseURL() + "/x", "{}", method));
    ASSERT_FALSE(result.isSuccess());
    ASSERT_TRUE(result.failure->reason.has_value());
    EXPECT_NE(result.failure->reason->find("unsupported method"), std::string::npos);
  }
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(HttpUtilityTest, DatesDecodeAsIso8601UnlessACustomDecoderIsSet) {
  server_.setReply("/stamp", Reply(200, R"({"at":"2026-03-01T15:00:00+05:30"})"));
  auto iso = send<Stamped>(Post(server_.baseURL() + "/stamp", "{}"));
  ASSERT_TRUE(iso.isSuccess());
  EXPECT_EQ(iso.record->at, *platform::ISO8601DateFormatter::dateFromString("2026-03-01T09:30:00Z"));

  HttpUtility::shared().setCustomJsonDecoder(HUJsonDecoder([](std::string_view) { return platform::Date{42}; }));
  auto custom = send<Stamped>(Post(server_.baseURL() + "/stamp", "{}"));
  ASSERT_TRUE(custom.isSuccess());
  EXPECT_EQ(custom.record->at, platform::Date{42});

  HttpUtility::shared().setCustomJsonDecoder(HUJsonDecoder(nullptr));
  auto refused = send<Stamped>(Post(server_.baseURL() + "/stamp", "{}"));
  ASSERT_FALSE(refused.isSuccess());
  EXPECT_EQ(refused.failure->serverResponse, R"({"at":"2026-03-01T15:00:00+05:30"})");
}

TEST(HUHttpMethodsTest, RawValuesAreExactAndCaseSensitive) {
  const std::pair<const char*, std::optional<HUHttpMethods>> cases[] = {
      {"GET", HUHttpMethods::GET},   {"POST", HUHttpMethods::POST},     {"PUT", HUHttpMethods::PUT},
      {"DELETE", HUHttpMethods::DELETE}, {"post", std::nullopt},      {"", std::nullopt},
      {"POST ", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(HUHttpMethodFromRawValue(text), expected) << text;
    if (expected) {
      EXPECT_STREQ(HUHttpMethodName(*expected), text);
    }
  }
}

}  // namespace
