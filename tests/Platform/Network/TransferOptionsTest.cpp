// The per-transfer rules: extra trust for named hosts, the reply body cap and
// the refusal of ".invalid" hosts, against the TLS collector.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Platform/Network/TransferEngine.h"
#include "tests/support/MeasurementCollector.h"

namespace {

using platform::TransferEngine;
using platform::TransferError;
using platform::TransferRequest;
using platform::TransferResult;
using testsupport::MeasurementCollector;
using Route = MeasurementCollector::Route;

// Runs one transfer and answers its result with how often it completed.
struct Outcome {
  TransferResult result;
  int calls = 0;
};

Outcome RunTransfer(TransferEngine& engine, TransferRequest request) {
  std::mutex mu;
  std::condition_variable cv;
  Outcome outcome;
  engine.start(std::move(request), [&](TransferResult result) {
    std::lock_guard<std::mutex> lock(mu);
    outcome.result = std::move(result);
    ++outcome.calls;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(mu);
  cv.wait_for(lock, std::chrono::seconds(30), [&] { return outcome.calls > 0; });
  // A second completion would show up here.
  lock.unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  lock.lock();
  return outcome;
}

class TransferOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(collector_.start()); }
  TransferRequest post(const std::string& base) {
    TransferRequest request;
    request.method = "POST";
    request.url = base + "/a";
    request.body = std::string();
    request.timeoutSeconds = 20;
    return request;
  }
  MeasurementCollector collector_;
  TransferEngine engine_;
};

TEST_F(TransferOptionsTest, ExtraTrustHoldsOnlyForTheNamedHosts) {
  const std::string port = std::to_string(collector_.port());
  struct Case {
    const char* what;
    std::string url;
    std::vector<std::string> hosts;
    bool withFile;
    bool trusted;
  };
  const std::vector<Case> cases = {
      {"host and port named", collector_.baseURL(), {"127.0.0.1:" + port}, true, true},
      {"host named without a port", collector_.baseURL(), {"other.example.test", "127.0.0.1"}, true, true},
      {"another port of the host", collector_.baseURL(), {"127.0.0.1:1"}, true, false},
      {"host not named", collector_.baseURL(), {"measurement.example.test"}, true, false},
      {"no hosts", collector_.baseURL(), {}, true, false},
      {"no file", collector_.baseURL(), {"127.0.0.1:" + port}, false, false},
      // The certificate names the address only.
      {"named by another name", "https://localhost:" + port, {"localhost:" + port}, true, false},
  };
  for (const auto& c : cases) {
    TransferRequest request = post(c.url);
    request.trustedHosts = c.hosts;
    if (c.withFile) request.extraTrustedCertificatesFile = collector_.certificateFile();
    Outcome outcome = RunTransfer(engine_, request);
    EXPECT_EQ(outcome.calls, 1) << c.what;
    if (c.trusted) {
      EXPECT_EQ(outcome.result.error, TransferError::kNone) << c.what << ": " << outcome.result.errorDetail;
      EXPECT_EQ(outcome.result.status, 204) << c.what;
    } else {
      EXPECT_NE(outcome.result.error, TransferError::kNone) << c.what;
      EXPECT_EQ(outcome.result.status, 0) << c.what;
    }
  }
  // Only trusted transfers reached the service.
  EXPECT_EQ(collector_.requests().size(), 2u);
}

TEST_F(TransferOptionsTest, ConnectionMadeWithExtraTrustIsNotReusedWithoutIt) {
  TransferRequest trusted = post(collector_.baseURL());
  trusted.trustedHosts = {collector_.hostAndPort()};
  trusted.extraTrustedCertificatesFile = collector_.certificateFile();
  ASSERT_EQ(RunTransfer(engine_, trusted).result.status, 204);
  // Same engine, same server, while the first connection is kept alive.
  Outcome plain = RunTransfer(engine_, post(collector_.baseURL()));
  EXPECT_NE(plain.result.error, TransferError::kNone);
  EXPECT_EQ(collector_.requests().size(), 1u);
  EXPECT_EQ(RunTransfer(engine_, trusted).result.status, 204);
}

TEST_F(TransferOptionsTest, InvalidDomainFailsBeforeStartReturns) {
  const std::vector<std::string> refused = {"https://measurement.facility.invalid/a", "http://INVALID/x",
                                            "https://a.b.Invalid.:8443/config/app/x"};
  for (const auto& url : refused) {
    TransferRequest request = post(url);
    request.url = url;
    request.refuseInvalidDomain = true;
    int calls = 0;
    TransferResult seen;
    const auto id = engine_.start(request, [&](TransferResult result) {
      seen = std::move(result);
      ++calls;
    });
    // Completed on this thread, before start() returned: no lookup was made.
    EXPECT_EQ(id, 0u) << url;
    EXPECT_EQ(calls, 1) << url;
    EXPECT_EQ(seen.error, TransferError::kOther) << url;
    EXPECT_NE(seen.errorDetail.find(".invalid"), std::string::npos) << url;
  }
  // Hosts that only contain the label go ahead (libcurl sends "*.localhost"
  // to the loopback itself; the certificate then fails, as it names the address).
  TransferRequest trusted = post(collector_.baseURL());
  trusted.refuseInvalidDomain = true;
  trusted.trustedHosts = {collector_.hostAndPort()};
  trusted.extraTrustedCertificatesFile = collector_.certificateFile();
  EXPECT_EQ(RunTransfer(engine_, trusted).result.status, 204);
  TransferRequest lookalike = post("https://invalid.localhost:" + std::to_string(collector_.port()));
  lookalike.refuseInvalidDomain = true;
  Outcome outcome = RunTransfer(engine_, lookalike);
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_EQ(outcome.result.errorDetail.find("\".invalid\""), std::string::npos) << outcome.result.errorDetail;
}

TEST_F(TransferOptionsTest, BodyCapEndsTheTransferWithoutAResponse) {
  constexpr std::uint64_t kCap = 100000;
  struct Case {
    std::size_t size;
    bool chunked;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {kCap, false, true}, {kCap + 1, false, false}, {kCap, true, true}, {kCap + 1, true, false}, {0, false, true},
  };
  for (const auto& c : cases) {
    MeasurementCollector::Reply reply;
    reply.status = 200;
    reply.body = std::string(c.size, 'x');
    reply.chunked = c.chunked;
    collector_.queueReply(Route::kUpload, reply);
    TransferRequest request = post(collector_.baseURL());
    request.trustedHosts = {collector_.hostAndPort()};
    request.extraTrustedCertificatesFile = collector_.certificateFile();
    request.maxResponseBodyBytes = kCap;
    Outcome outcome = RunTransfer(engine_, request);
    const std::string what = std::to_string(c.size) + (c.chunked ? " chunked" : " with length");
    EXPECT_EQ(outcome.calls, 1) << what;
    if (c.accepted) {
      EXPECT_EQ(outcome.result.error, TransferError::kNone) << what;
      EXPECT_EQ(outcome.result.body.size(), c.size) << what;
      EXPECT_EQ(outcome.result.expectedContentLength, c.chunked ? -1 : static_cast<std::int64_t>(c.size)) << what;
    } else {
      EXPECT_EQ(outcome.result.error, TransferError::kOther) << what;
      EXPECT_EQ(outcome.result.status, 0) << what;
      EXPECT_TRUE(outcome.result.body.empty()) << what;
      EXPECT_TRUE(outcome.result.headers.empty()) << what;
      EXPECT_NE(outcome.result.errorDetail.find("larger than 100000"), std::string::npos) << what;
    }
  }
}

}  // namespace
