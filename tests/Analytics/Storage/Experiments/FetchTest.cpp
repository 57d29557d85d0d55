// The experiments fetch over HTTPS against the TLS collector: the body sent,
// and gzip'd answers reaching the flags through pending snapshots, the
// client's delegate and activation.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"
#include "tests/Analytics/Storage/Experiments/ManagerFixture.h"
#include "tests/Analytics/Storage/Experiments/PinnedRequest.h"
#include "tests/support/MeasurementCollector.h"

namespace experimentstest {
namespace {

using platform::Deployment;
using platform::Value;
using testsupport::MeasurementCollector;

class Listener : public APMEExperimentObserverDelegate {
 public:
  bool respondsToClientDidReceiveNewSnapshot() const override { return true; }
  void clientDidReceiveNewSnapshot(APMEClient&) override { ++snapshots; }
  bool respondsToClientDidReceiveFetchError() const override { return true; }
  void clientDidReceiveFetchError(APMEClient&, const APMError& error) override { lastError = error.code(); }
  std::shared_ptr<platform::DispatchQueue> queue() override { return queue_; }

  std::atomic<int> snapshots{0};
  std::atomic<int64_t> lastError{0};
  std::shared_ptr<platform::DispatchQueue> queue_ = platform::DispatchQueue::create("listener");
};

std::string Gzip(const std::vector<uint8_t>& bytes) {
  auto packed = platform::TVUGzip::tvu_dataByGzippingData(bytes);
  EXPECT_TRUE(packed.ok());
  return packed.ok() ? std::string(packed->begin(), packed->end()) : std::string();
}

class FetchTest : public ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    ASSERT_TRUE(collector_.start());
    std::string path = root_.path() + "/deployment.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(
                    path, Value(Value::Dictionary{
                              {Deployment::kMeasurementServiceHostKey, Value(collector_.hostAndPort())},
                              {Deployment::kTrustedCertificatesFileKey, Value(collector_.certificateFile())}}))
                    .ok());
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable, path);
    Deployment::resetForTesting();
    Relaunch();  // the network client toward the collector
  }
  void TearDown() override {
    ManagerFixture::TearDown();
    collector_.stop();
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable, std::nullopt);
    Deployment::resetForTesting();
  }

  // Starts the scheduler and lets its first fetch go out and be answered
  // (a registered client without a delegate wants it).
  void FetchOnce() {
    Start();
    auto before = storage_->objectForKey(APMETaskManager::kSuccessTimestampKey);
    ASSERT_FALSE(before);
    const std::size_t seen = collector_.requests().size();
    ASSERT_TRUE(clock_->runFor(10));
    ASSERT_TRUE(collector_.waitForRequests(seen + 1, 20));
    ASSERT_TRUE(clock_->runUntil([&] { return storage_->objectForKey(APMETaskManager::kSuccessTimestampKey).has_value(); },
                                 20));
    Drain();
  }
  void Answer(const std::vector<uint8_t>& response) {
    MeasurementCollector::Reply reply;
    reply.status = 200;
    reply.body = Gzip(response);
    collector_.queueReply(MeasurementCollector::Route::kExperiments, reply);
  }

  MeasurementCollector collector_;
};

TEST_F(FetchTest, PostsThePinnedBodyToTheExperimentsPath) {
  UsePinnedApp(true);
  auto provider = std::make_shared<PinnedProperties>();
  ASSERT_TRUE(manager_->registerSDKProperty(PinnedProperty(provider), {}));
  Drain();
  FetchOnce();
  UsePinnedApp(false);
  auto requests = collector_.requests(MeasurementCollector::Route::kExperiments);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/sdk-exp");
  EXPECT_EQ(std::vector<uint8_t>(requests[0].body.begin(), requests[0].body.end()), kPinnedRequest);
  // The default answer (204, no body) is a success: next fetch in 4 hours.
  ASSERT_TRUE(alarm_->scheduledTimestamp());
  EXPECT_DOUBLE_EQ(*alarm_->scheduledTimestamp(), kNow + 10 + 14400);
}

TEST_F(FetchTest, AnswersReachTheFlagsThroughPendingDelegateAndActivation) {
  struct Case {
    const char* what;
    bool asSDKResponses;
  };
  for (const Case& c : {Case{"snapshot list", false}, Case{"SDK responses", true}}) {
    SCOPED_TRACE(c.what);
    Relaunch();
    auto snapshot = Snapshot("sdk", {Experiment(21, {IntFlag("f", 42)}), Experiment(0, {IntFlag("l", 7)})});
    auto response = std::make_shared<APMPBExperimentResponse>();
    if (c.asSDKResponses) {
      auto proto = snapshot.proto();
      APMPBClearField(proto.get(), 0);  // named by its SDK response
      auto sdk = std::make_shared<APMPBSdkResponse>();
      APMPBSetString(sdk.get(), 0, "sdk");
      APMPBSetMessage(sdk.get(), 2, proto.get());
      auto failed = std::make_shared<APMPBSdkResponse>();
      APMPBSetString(failed.get(), 0, "other");
      APMPBSetInt32(failed.get(), 1, 2);
      APMPBSetMessageArray(response.get(), 1, std::vector<std::shared_ptr<APMPBSdkResponse>>{sdk, failed});
    } else {
      APMPBSetMessageArray(response.get(), 0, std::vector<std::shared_ptr<APMPBSnapshot>>{snapshot.proto()});
    }
    Answer(*response->protoBuffer());
    auto client = Register("sdk", {{"f", APMPBNumber::numberWithInt(1)}, {"l", APMPBNumber::numberWithInt(1)}});
    auto other = Register("other", {});
    auto listener = std::make_shared<Listener>();
    client->setDelegate(listener);
    other->setDelegate(listener);
    FetchOnce();
    ASSERT_TRUE(clock_->runUntil([&] { return listener->snapshots.load() > 0; }, 20));
    Drain();
    EXPECT_EQ(listener->snapshots.load(), 1);  // the failed SDK has nothing new
    EXPECT_EQ(IntValue(client->valueForFlag("f")), 1);  // pending, not in force yet
    APMError error;
    ASSERT_TRUE(client->activateLatestSnapshot(&error));
    EXPECT_EQ(IntValue(client->valueForFlag("f")), 42);
    EXPECT_EQ(IntValue(client->valueForFlag("l")), 7);
    EXPECT_EQ(manager_->experimentIDs(), (std::vector<int64_t>{21}));
    EXPECT_EQ(listener->lastError.load(), c.asSDKResponses ? -3 : 0);
    Drain();
    // Stored in force: a relaunch finds it.
    Relaunch();
    Start();
    client = Register("sdk", {{"f", APMPBNumber::numberWithInt(1)}});
    EXPECT_EQ(IntValue(client->valueForFlag("f")), 42);
    // Clear and delete: the next case starts from nothing.
    manager_->clearAndDelete();
    Drain();
    EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(
        APMMeasurementPath(APMEDatabase::kDatabaseName)));
    EXPECT_EQ(IntValue(client->valueForFlag("f")), 1);
  }
}

TEST_F(FetchTest, AnAnswerPastTheInflateCapIsDropped) {
  auto client = Register("sdk", {{"f", APMPBNumber::numberWithInt(1)}});
  Answer(std::vector<uint8_t>(platform::kTVUMaxInflatedSize + 1, 0));
  Forget();
  FetchOnce();
  EXPECT_TRUE(Reported(820023));
  // Read as an empty answer: nothing pending, nothing to announce.
  APMError error;
  EXPECT_FALSE(client->activateLatestSnapshot(&error));
  EXPECT_TRUE(Reported(800020));
}

}  // namespace
}  // namespace experimentstest
