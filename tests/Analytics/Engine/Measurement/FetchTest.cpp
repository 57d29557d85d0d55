// The configuration fetch against the loopback collector: conditional
// requests, what each reply keeps or replaces, and how failures feed the
// upload schedule.
#include "Platform/Foundation/Clock.h"
#include "tests/Analytics/Engine/Measurement/UploadFixture.h"

namespace measurement_test {
namespace {

using platform::Clock;

class FetchTest : public UploadFixture {
 protected:
  std::vector<std::pair<std::string, std::string>> settings() const override {
    return {{"measurement.upload.interval", "1800000"}};
  }
  void SetUp() override {
    UploadFixture::SetUp();
    if (HasFatalFailure()) return;
    applyConfig(ConfigBuilder().version(5).settings(settings()));
  }

  static std::string encoded(const ConfigBuilder& builder) {
    auto bytes = builder.config->protoBuffer();
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  }
  void fetchNow() {
    onWorker([&] { engine_->fetchRemoteConfig(); });
  }
  int64_t version() { return engine_->remoteConfigInstance()->version(); }
  // Read where the database lives: on the worker queue.
  double configTimestamp() {
    return readOnWorker<double>([&] { return engine_->remoteConfigInstance()->lastRemoteConfigUpdateTimestamp(); });
  }
};

TEST_F(FetchTest, AFirstFetchIsUnconditionalAndLaterOnesSendTheStoredValidators) {
  MeasurementCollector::Reply first;
  first.status = 200;
  first.body = encoded(ConfigBuilder().version(7).settings({{"measurement.upload.interval", "7200000"}}));
  first.headers = {{"Last-Modified", "Wed, 01 Nov 2023 00:00:00 GMT"}, {"ETag", "\"v7\""}};
  collector_.queueReply(Route::kConfig, first);
  fetchNow();
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_EQ(version(), 7);
  EXPECT_EQ(engine_->remoteConfigInstance()->uploadingInterval(), 7200);
  EXPECT_EQ(engine_->persistedConfig()->configServerLastModifiedString(), "Wed, 01 Nov 2023 00:00:00 GMT");
  EXPECT_EQ(engine_->persistedConfig()->configServerETag(), "\"v7\"");

  clock_->advance(60);
  MeasurementCollector::Reply unchanged;
  unchanged.status = 304;
  unchanged.headers = {{"ETag", "\"v8\""}};
  collector_.queueReply(Route::kConfig, unchanged);
  fetchNow();
  ASSERT_TRUE(waitForRequests(2));

  const auto requests = collector_.requests(Route::kConfig);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].headers.count("if-modified-since"), 0u);
  EXPECT_EQ(requests[0].headers.count("if-none-match"), 0u);
  EXPECT_EQ(requests[0].appId.rfind(kAppID, 0), 0u) << requests[0].target;
  EXPECT_EQ(requests[1].headers.at("if-modified-since"), "Wed, 01 Nov 2023 00:00:00 GMT");
  EXPECT_EQ(requests[1].headers.at("if-none-match"), "\"v7\"");
  // 304 keeps the configuration, takes the reply's validators and counts as a success.
  EXPECT_EQ(version(), 7);
  EXPECT_EQ(engine_->persistedConfig()->configServerETag(), "\"v8\"");
  EXPECT_EQ(engine_->persistedConfig()->configServerLastModifiedString(), std::nullopt);
  EXPECT_EQ(configTimestamp(), Clock::nowSeconds());
  EXPECT_TRUE(logged(23131));
}

TEST_F(FetchTest, EachReplyKeepsOrReplacesWhatItShould) {
  struct Case {
    const char* what;
    int status;
    std::string body;
    bool success;     // validators taken, success time recorded
    bool backoff;     // failure that also backs off
    int64_t version;  // configuration version afterwards
    int logCode;      // console line
  };
  const Case cases[] = {
      {"not found keeps the configuration", 404, "", true, false, 5, 23130},
      {"a new configuration", 200, encoded(ConfigBuilder().version(6)), true, false, 6, 23133},
      {"foreign app ID", 200, encoded(ConfigBuilder("1:999:ios:ff").version(9)), true, false, 5, 23133},
      {"bad body", 200, std::string("\xff\xff\xff\xff", 4), true, false, 5, 23133},
      {"unavailable", 503, "", false, true, 5, 23129},
      {"too many requests", 429, "", false, true, 5, 23129},
      {"server error", 500, "", false, false, 5, 23129},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    applyConfig(ConfigBuilder().version(5).settings(settings()));
    auto persisted = engine_->persistedConfig();
    persisted->setConfigServerETag("\"kept\"");
    persisted->setLastFailedUploadTimestamp(0);
    persisted->setLastBackoffTimestamp(0);
    const double storedAt = configTimestamp();
    clock_->advance(10);
    forgetLog();

    MeasurementCollector::Reply reply;
    reply.status = c.status;
    reply.body = c.body;
    collector_.queueReply(Route::kConfig, reply);
    const std::size_t before = collector_.requests().size();
    const double sentAt = Clock::nowSeconds();
    fetchNow();
    ASSERT_TRUE(waitForRequests(before + 1));
    EXPECT_FALSE(pending());
    EXPECT_EQ(version(), c.version);
    EXPECT_TRUE(logged(c.logCode));
    if (c.success) {
      EXPECT_EQ(persisted->configServerETag(), std::nullopt);
      EXPECT_EQ(configTimestamp(), sentAt);
      EXPECT_EQ(persisted->lastFailedUploadTimestamp(), 0);
    } else {
      EXPECT_EQ(persisted->configServerETag(), "\"kept\"");
      EXPECT_EQ(configTimestamp(), storedAt);
      EXPECT_EQ(persisted->lastFailedUploadTimestamp(), sentAt);
    }
    EXPECT_EQ(persisted->lastBackoffTimestamp(), c.backoff ? sentAt : 0);
  }
}

TEST_F(FetchTest, AnExpiredConfigurationIsFetchedByTheUploadAndThenTheEventsGo) {
  // Stored long ago: the upload finds nothing bundled (bundling waits for a
  // fresh configuration), fetches, and the reply's success uploads. The reply
  // is queued before the clock moves: the upload timer the start's first open
  // armed fires on the way and may be the one that fetches.
  MeasurementCollector::Reply fresh;
  fresh.status = 200;
  fresh.body = encoded(ConfigBuilder().version(8));
  collector_.queueReply(Route::kConfig, fresh);
  clock_->advance(engine_->remoteConfigInstance()->remoteConfigCacheTimeInterval() + 1);
  ASSERT_TRUE(readOnWorker<bool>([&] { return engine_->remoteConfigInstance()->isExpired(); }));
  logEvents({"alpha"});
  uploadNow();
  ASSERT_TRUE(waitForRequests(2));
  drain();
  const auto requests = collector_.requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0].route, Route::kConfig);
  EXPECT_EQ(requests[1].route, Route::kUpload);
  EXPECT_EQ(version(), 8);
  const auto all = batches();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(eventNames(all[0]), std::vector<std::string>{"alpha"});
}

}  // namespace
}  // namespace measurement_test
