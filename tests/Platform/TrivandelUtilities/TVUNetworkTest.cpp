// The utilities library's network client against the TLS collector.
#include "Platform/TrivandelUtilities/TVUNetwork.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "tests/support/MeasurementCollector.h"

namespace {

using platform::Bytes;
using platform::Deployment;
using platform::TVUHTTPResponse;
using platform::TVUNetwork;
using platform::Value;
using testsupport::MeasurementCollector;
using Route = MeasurementCollector::Route;

template <typename Predicate>
bool WaitUntil(Predicate predicate, double seconds = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Everything the completions of one test saw.
class Completions {
 public:
  struct Call {
    std::optional<TVUHTTPResponse> response;
    Bytes body;
    std::optional<platform::Status> error;
    bool onQueue = false;
  };
  TVUNetwork::Completion make(const std::string& tag, const platform::DispatchQueuePtr& queue) {
    return [this, tag, queue](std::optional<TVUHTTPResponse> response, Bytes body,
                              std::optional<platform::Status> error) {
      std::lock_guard<std::mutex> lock(mu_);
      calls_[tag].push_back({std::move(response), std::move(body), std::move(error), queue && queue->isCurrent()});
      cv_.notify_all();
    };
  }
  bool waitFor(const std::string& tag, double seconds = 30) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return !calls_[tag].empty(); });
  }
  std::vector<Call> calls(const std::string& tag) {
    std::lock_guard<std::mutex> lock(mu_);
    return calls_[tag];
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::map<std::string, std::vector<Call>> calls_;
};

class RecordingLogger : public platform::TVUNetworkLoggerDelegate {
 public:
  struct Line {
    int level;
    int code;
    std::string message;
  };
  void TVUNetwork_logWithLevel(int level, int code, const std::string& message,
                               const std::vector<std::string>&) override {
    std::lock_guard<std::mutex> lock(mu_);
    lines_.push_back({level, code, message});
  }
  std::vector<int> levelsOf(int code) {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<int> out;
    for (const auto& line : lines_) {
      if (line.code == code) out.push_back(line.level);
    }
    return out;
  }

 private:
  std::mutex mu_;
  std::vector<Line> lines_;
};

class CountingReachabilityDelegate : public platform::TVUNetworkReachabilityDelegate {
 public:
  void reachabilityDidChange() override { ++calls; }
  std::atomic<int> calls{0};
};

class TVUNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(collector_.start());
    useDeployment(Value::Dictionary{{Deployment::kMeasurementServiceHostKey, Value(collector_.hostAndPort())},
                                    {Deployment::kTrustedCertificatesFileKey, Value(collector_.certificateFile())}});
  }
  void TearDown() override {
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable, std::nullopt);
    Deployment::resetForTesting();
  }
  // Points the deployment list at these values (none: the shipped ones).
  void useDeployment(const std::optional<Value::Dictionary>& values) {
    std::string path;
    if (values) {
      path = root_.path() + "/deployment.plist";
      ASSERT_TRUE(platform::PropertyList::writeFile(path, Value(*values)).ok());
    }
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable, path);
    Deployment::resetForTesting();
  }
  std::shared_ptr<TVUNetwork> network() {
    // A steady source, so no test depends on the machine's interfaces.
    auto reachability = std::make_shared<platform::NetworkReachabilityManager>(
        [] { return platform::ReachabilityStatus::kReachableEthernetOrWiFi; });
    return std::make_shared<TVUNetwork>(collector_.hostAndPort(), reachability);
  }

  platform::TemporaryDataRoot root_;
  MeasurementCollector collector_;
  platform::DispatchQueuePtr queue_ = platform::DispatchQueue::create("tvu-network-test");
  Completions completions_;
};

TEST_F(TVUNetworkTest, TrustsTheDeploymentCertificateOnlyForTheHostsItNames) {
  const std::string named = collector_.hostAndPort();
  const Value file(collector_.certificateFile());
  struct Case {
    const char* what;
    std::optional<Value::Dictionary> deployment;
    bool trusted;
  };
  const std::vector<Case> cases = {
      {"measurement host",
       Value::Dictionary{{Deployment::kMeasurementServiceHostKey, Value(named)},
                         {Deployment::kTrustedCertificatesFileKey, file}},
       true},
      {"ads conversion host",
       Value::Dictionary{{Deployment::kAdsConversionServiceHostKey, Value(named)},
                         {Deployment::kTrustedCertificatesFileKey, file}},
       true},
      {"search-ads host",
       Value::Dictionary{{Deployment::kSearchAdsAttributionServiceHostKey, Value("127.0.0.1")},
                         {Deployment::kTrustedCertificatesFileKey, file}},
       true},
      {"certificate without the host", Value::Dictionary{{Deployment::kTrustedCertificatesFileKey, file}}, false},
      {"host of another port",
       Value::Dictionary{{Deployment::kMeasurementServiceHostKey, Value("127.0.0.1:1")},
                         {Deployment::kTrustedCertificatesFileKey, file}},
       false},
      {"host without a certificate", Value::Dictionary{{Deployment::kMeasurementServiceHostKey, Value(named)}}, false},
      {"shipped deployment", std::nullopt, false},
  };
  for (const auto& c : cases) {
    useDeployment(c.deployment);
    auto client = network();
    const std::string session =
        client->postURL(collector_.baseURL() + "/a", Bytes{1, 2, 3}, queue_, false, completions_.make(c.what, queue_));
    EXPECT_FALSE(session.empty()) << c.what;
    ASSERT_TRUE(completions_.waitFor(c.what)) << c.what;
    client.reset();  // waits for the request
    queue_->sync([] {});
    const auto calls = completions_.calls(c.what);
    ASSERT_EQ(calls.size(), 1u) << c.what;
    if (c.trusted) {
      ASSERT_TRUE(calls[0].response) << c.what << ": " << (calls[0].error ? calls[0].error->message() : "");
      EXPECT_EQ(calls[0].response->statusCode, platform::kTVUNetworkHTTPStatusNoContent) << c.what;
    } else {
      EXPECT_FALSE(calls[0].response) << c.what;
      EXPECT_TRUE(calls[0].error) << c.what;
    }
  }
  EXPECT_EQ(collector_.requests().size(), 3u);
}

TEST_F(TVUNetworkTest, ShippedInvalidHostFailsAtOnceWithoutASession) {
  useDeployment(std::nullopt);
  auto client = network();
  auto logger = std::make_shared<RecordingLogger>();
  client->setLoggerDelegate(logger);
  const std::string host = Deployment::measurementServiceHost();
  ASSERT_NE(host.find(".invalid"), std::string::npos);
  EXPECT_EQ(client->postURL("https://" + host + "/a", Bytes{1}, queue_, false, completions_.make("post", queue_)), "");
  EXPECT_EQ(client->getURL("https://" + host + "/config/app/1:2:ios:3?a=b", {}, queue_, false,
                           completions_.make("get", queue_)),
            "");
  EXPECT_FALSE(client->hasUploadInProgress());
  queue_->sync([] {});
  for (const char* tag : {"post", "get"}) {
    const auto calls = completions_.calls(tag);
    ASSERT_EQ(calls.size(), 1u) << tag;
    EXPECT_TRUE(calls[0].onQueue) << tag;
    EXPECT_FALSE(calls[0].response) << tag;
    EXPECT_TRUE(calls[0].error) << tag;
  }
  EXPECT_EQ(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestFailed), (std::vector<int>{3, 3}));
}

TEST_F(TVUNetworkTest, ReplyBodyOverSixtyFourMebibytesIsAnError) {
  constexpr std::size_t kCap = 64u * 1024 * 1024;
  struct Case {
    std::size_t size;
    bool chunked;
    bool accepted;
  };
  const std::vector<Case> cases = {{kCap, false, true}, {kCap + 1, false, false}, {kCap + 1, true, false}};
  auto client = network();
  for (const auto& c : cases) {
    MeasurementCollector::Reply reply;
    reply.status = 200;
    reply.body.assign(c.size, 'z');
    reply.chunked = c.chunked;
    collector_.queueReply(Route::kConfig, std::move(reply));
    const std::string tag = std::to_string(c.size) + (c.chunked ? " chunked" : "");
    EXPECT_FALSE(client->getURL(collector_.baseURL() + "/config/app/x", {}, queue_, false,
                                completions_.make(tag, queue_))
                     .empty());
    ASSERT_TRUE(completions_.waitFor(tag, 60)) << tag;
    const auto calls = completions_.calls(tag);
    ASSERT_EQ(calls.size(), 1u) << tag;
    if (c.accepted) {
      ASSERT_TRUE(calls[0].response) << tag;
      EXPECT_EQ(calls[0].body.size(), c.size) << tag;
      EXPECT_EQ(calls[0].response->expectedContentLength, static_cast<std::int64_t>(c.size)) << tag;
    } else {
      EXPECT_FALSE(calls[0].response) << tag;
      EXPECT_TRUE(calls[0].body.empty()) << tag;
      EXPECT_TRUE(calls[0].error) << tag;
    }
  }
}

TEST_F(TVUNetworkTest, EachStartCompletesOnceOnItsQueueWithItsOwnSession) {
  auto client = network();
  MeasurementCollector::Reply held;
  held.hold = true;
  collector_.queueReply(Route::kUpload, held);
  std::set<std::string> sessions;
  sessions.insert(client->postURL(collector_.baseURL() + "/a", Bytes{9}, queue_, false,
                                  completions_.make("held", queue_)));
  ASSERT_TRUE(collector_.waitForRequests(1, 10));
  EXPECT_TRUE(client->hasUploadInProgress());
  std::vector<std::string> tags;
  for (int i = 0; i < 4; ++i) {
    tags.push_back("post" + std::to_string(i));
    sessions.insert(client->postURL(collector_.baseURL() + "/a", Bytes{static_cast<std::uint8_t>(i)}, queue_, false,
                                    completions_.make(tags.back(), queue_)));
    tags.push_back("get" + std::to_string(i));
    sessions.insert(client->getURL(collector_.baseURL() + "/config/app/app" + std::to_string(i) + "?x=1",
                                   {{"If-None-Match", "v" + std::to_string(i)}}, queue_, false,
                                   completions_.make(tags.back(), queue_)));
  }
  for (const auto& tag : tags) ASSERT_TRUE(completions_.waitFor(tag)) << tag;
  EXPECT_TRUE(client->hasUploadInProgress());  // the held one still runs
  collector_.releaseHeld();
  ASSERT_TRUE(completions_.waitFor("held"));
  EXPECT_TRUE(WaitUntil([&] { return !client->hasUploadInProgress(); }));
  queue_->sync([] {});
  EXPECT_EQ(sessions.size(), 9u);
  EXPECT_EQ(sessions.count(""), 0u);
  tags.push_back("held");
  for (const auto& tag : tags) {
    const auto calls = completions_.calls(tag);
    ASSERT_EQ(calls.size(), 1u) << tag;
    EXPECT_TRUE(calls[0].onQueue) << tag;
    ASSERT_TRUE(calls[0].response) << tag;
    EXPECT_EQ(calls[0].response->statusCode, tag.rfind("get", 0) == 0 ? 404 : 204) << tag;
  }
  std::set<std::string> appIds;
  for (const auto& request : collector_.requests(Route::kConfig)) {
    appIds.insert(request.appId);
    EXPECT_EQ(request.headers.at("if-none-match"), "v" + request.appId.substr(3));
  }
  EXPECT_EQ(appIds, (std::set<std::string>{"app0", "app1", "app2", "app3"}));
}

TEST_F(TVUNetworkTest, TimeoutEndsASilentRequest) {
  auto client = network();
  client->setTimeoutInterval(0.5);
  MeasurementCollector::Reply held;
  held.hold = true;
  collector_.queueReply(Route::kUpload, held);
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_FALSE(client->postURL(collector_.baseURL() + "/a", Bytes{1}, queue_, false,
                               completions_.make("silent", queue_))
                   .empty());
  ASSERT_TRUE(completions_.waitFor("silent"));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(5));
  const auto calls = completions_.calls("silent");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_FALSE(calls[0].response);
  EXPECT_TRUE(calls[0].error);
  EXPECT_TRUE(WaitUntil([&] { return !client->hasUploadInProgress(); }));
  collector_.releaseHeld();
}

TEST_F(TVUNetworkTest, PostSendsHeadersAndTheWholeBodyAtOnce) {
  auto client = network();
  MeasurementCollector::Reply reply;
  reply.status = 200;
  reply.body = "abc";
  reply.headers = {{"ETag", "W/\"1\""}, {"X-Mixed-Case", "V"}};
  collector_.queueReply(Route::kUpload, reply);
  // A batch of one bundle whose monitoring text (field 24) is 2 MiB: large
  // enough that libcurl would otherwise wait for a 100-continue.
  const std::string text(2u * 1024 * 1024, 'm');
  auto lengthOf = [](std::size_t n) {
    std::string out;
    do {
      out.push_back(static_cast<char>((n & 0x7f) | (n > 0x7f ? 0x80 : 0)));
      n >>= 7;
    } while (n != 0);
    return out;
  };
  const std::string bundle = std::string("\xc2\x01", 2) + lengthOf(text.size()) + text;
  const std::string batch = "\x0a" + lengthOf(bundle.size()) + bundle;
  const Bytes payload(batch.begin(), batch.end());
  EXPECT_FALSE(client->postURL(collector_.baseURL() + "/a", {{"Content-Type", "application/x-protobuf"}}, payload,
                               queue_, true, completions_.make("post", queue_))
                   .empty());
  EXPECT_TRUE(client->lastRequestUsedBackgroundSession());
  ASSERT_TRUE(completions_.waitFor("post"));
  const auto calls = completions_.calls("post");
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_TRUE(calls[0].response);
  EXPECT_EQ(calls[0].response->statusCode, 200);
  EXPECT_EQ(calls[0].response->url, collector_.baseURL() + "/a");
  EXPECT_EQ(calls[0].response->expectedContentLength, 3);
  EXPECT_EQ(calls[0].response->headers.at("etag"), "W/\"1\"");
  EXPECT_EQ(calls[0].response->headers.at("x-mixed-case"), "V");
  EXPECT_EQ(std::string(calls[0].body.begin(), calls[0].body.end()), "abc");

  const auto requests = collector_.requests(Route::kUpload);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].headers.count("expect"), 0u);
  EXPECT_EQ(requests[0].headers.at("content-type"), "application/x-protobuf");
  EXPECT_EQ(requests[0].body, batch);
  ASSERT_TRUE(requests[0].batch) << requests[0].batchError;
  ASSERT_EQ(requests[0].batch->bundles.size(), 1u);
  EXPECT_EQ(requests[0].batch->bundles[0].wire.string(24), text);

  client->getURL(collector_.baseURL() + "/config/app/x", {}, queue_, false, completions_.make("get", queue_));
  EXPECT_FALSE(client->lastRequestUsedBackgroundSession());
  ASSERT_TRUE(completions_.waitFor("get"));
}

TEST_F(TVUNetworkTest, AnUntypedPostIsSentAsOpaqueBytesWhateverItsSize) {
  // Bodies past 8 KiB once came back 413: announced as a form, servers cap or parse them.
  auto client = network();
  const struct {
    std::size_t size;
    std::map<std::string, std::string> headers;
    const char* type;
  } cases[] = {
      {100, {}, "application/octet-stream"},
      {70000, {}, "application/octet-stream"},
      {70000, {{"content-type", "application/json"}}, "application/json"},
  };
  for (const auto& c : cases) {
    const std::string tag = std::to_string(c.size) + " " + c.type;
    const Bytes payload(c.size, 0x5a);
    EXPECT_FALSE(
        client->postURL(collector_.baseURL() + "/a", c.headers, payload, queue_, false, completions_.make(tag, queue_))
            .empty());
    ASSERT_TRUE(completions_.waitFor(tag)) << tag;
    const auto calls = completions_.calls(tag);
    ASSERT_EQ(calls.size(), 1u) << tag;
    ASSERT_TRUE(calls[0].response) << tag;
    EXPECT_EQ(calls[0].response->statusCode, platform::kTVUNetworkHTTPStatusNoContent) << tag;
  }
  const auto requests = collector_.requests(Route::kUpload);
  ASSERT_EQ(requests.size(), 3u);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].body.size(), cases[i].size) << i;
    EXPECT_EQ(requests[i].headers.at("content-type"), cases[i].type) << i;
  }
}

TEST_F(TVUNetworkTest, ReachabilityDelegateHearsEachChangeOnce) {
  // The probe knows nothing until the test injects a status: the delegate and
  // the logger are in place before the first change arrives.
  auto reachability = std::make_shared<platform::NetworkReachabilityManager>(
      [] { return platform::ReachabilityStatus::kUnknown; });
  auto delegate = std::make_shared<CountingReachabilityDelegate>();
  auto logger = std::make_shared<RecordingLogger>();
  TVUNetwork client(collector_.hostAndPort(), reachability);
  client.setReachabilityDelegate(delegate);
  client.setLoggerDelegate(logger);
  EXPECT_TRUE(client.isNetworkConnected());  // unknown counts as connected

  struct Step {
    platform::ReachabilityStatus status;
    bool connected;
    int newCalls;
  };
  using S = platform::ReachabilityStatus;
  const std::vector<Step> steps = {
      {S::kReachableEthernetOrWiFi, true, 1}, {S::kNotReachable, false, 1}, {S::kNotReachable, false, 0},
      {S::kReachableCellular, true, 1}, {S::kReachableEthernetOrWiFi, true, 1}, {S::kNotReachable, false, 1},
  };
  int expected = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    reachability->inject(steps[i].status);
    expected += steps[i].newCalls;
    // Each change logs, then calls the delegate: once both are in, it is through.
    ASSERT_TRUE(WaitUntil([&] {
      return delegate->calls.load() == expected &&
             static_cast<int>(logger->levelsOf(platform::kTVUNetworkMessageCodeReachabilityChanged).size()) == expected;
    })) << i;
    // Let a second, wrong call arrive if there is one.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(delegate->calls.load(), expected) << "step " << i;
    EXPECT_EQ(client.isNetworkConnected(), steps[i].connected) << "step " << i;
  }
  // Cleared: no more calls.
  client.setReachabilityDelegate({});
  reachability->inject(S::kReachableCellular);
  ASSERT_TRUE(WaitUntil([&] { return client.isNetworkConnected(); }));
  EXPECT_EQ(delegate->calls.load(), expected);
  EXPECT_EQ(logger->levelsOf(platform::kTVUNetworkMessageCodeReachabilityChanged), std::vector<int>(6, 6));
}

TEST_F(TVUNetworkTest, DebugLinesOnlyInDebugMode) {
  auto client = network();
  auto logger = std::make_shared<RecordingLogger>();
  client->setLoggerDelegate(logger);
  client->getURL(collector_.baseURL() + "/config/app/quiet", {}, queue_, false, completions_.make("quiet", queue_));
  ASSERT_TRUE(completions_.waitFor("quiet"));
  EXPECT_TRUE(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestStarted).empty());
  EXPECT_TRUE(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestCompleted).empty());
  client->setIsDebugModeEnabled(true);
  client->getURL(collector_.baseURL() + "/config/app/loud", {}, queue_, false, completions_.make("loud", queue_));
  ASSERT_TRUE(completions_.waitFor("loud"));
  EXPECT_EQ(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestStarted), std::vector<int>{7});
  EXPECT_EQ(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestCompleted), std::vector<int>{7});
  EXPECT_TRUE(logger->levelsOf(platform::kTVUNetworkMessageCodeRequestFailed).empty());
}

}  // namespace
