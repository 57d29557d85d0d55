#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/CommonCrypto/Gzip.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"
#include "tests/Analytics/Storage/SqlTrace.h"

namespace {

using platform::Value;

std::shared_ptr<APMPBMeasurementBundle> Bundle(const std::string& appID, int64_t endMillis, int32_t retries = 0) {
  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  APMPBSetString(bundle.get(), 14, appID);
  APMPBSetInt64(bundle.get(), 5, endMillis);
  if (retries != 0) APMPBSetInt32(bundle.get(), 35, retries);
  return bundle;
}

class RawEventsAndQueueTest : public MeasurementDatabaseFixture {
 protected:
  static APMEvent Event(const std::string& name, double timestamp, const APMParameterObjects& parameters = {}) {
    auto event = APMEvent::initWithOrigin("app", false, name, timestamp, 0, parameters);
    EXPECT_TRUE(event);
    return *event;
  }
  void InsertEvents(int count, int64_t fingerprint = 1, double timestamp = kFixtureNow) {
    ASSERT_TRUE(database_->performTransaction([&] {
      for (int i = 0; i < count; ++i) {
        APMEvent event = Event("e" + std::to_string(i % 10), timestamp);
        if (!database_->insertRawEvent(&event, fingerprint, false, nullptr)) return false;
      }
      return true;
    }));
  }
  void Exec(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(database_->sqliteStore().sqliteHandle(), sql.c_str(), nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sql;
  }
};

TEST_F(RawEventsAndQueueTest, EventWithArrayParameterReadsBackEqual) {
  Value::Array items{Value(Value::Dictionary{{"item_id", Value("sku")}, {"price", Value(2.5)}, {"quantity", Value(3)}}),
                     Value(Value::Dictionary{{"item_id", Value("other")}})};
  auto made = APMEvent::initWithOrigin("app", false, "purchase", kFixtureNow, kFixtureNow - 5,
                                       APMParameterObjects{{"items", Value(items)}, {"n", Value(7)}, {"s", Value("x")},
                                                           {"d", Value(0.25)}});
  ASSERT_TRUE(made);
  APMError error;
  ASSERT_TRUE(database_->insertRawEvent(&*made, 42, true, &error)) << error.localizedDescription();
  auto events = database_->rawEventsWithMetadataFingerprint(42, &error, [](size_t, const auto&) { return true; });
  ASSERT_TRUE(events);
  ASSERT_EQ(events->size(), 1u);
  const APMEvent& back = (*events)[0].rawEvent();
  EXPECT_EQ(back.name(), "purchase");
  EXPECT_EQ(back.origin(), "app");
  EXPECT_EQ(back.timestamp(), kFixtureNow);
  EXPECT_EQ(back.previousTimestamp(), kFixtureNow - 5);
  EXPECT_EQ(back.parameters(), made->parameters());
  EXPECT_EQ((*events)[0].metadataFingerprint(), 42);
  EXPECT_EQ(database_->containsRealtimeRawEventsWithError(nullptr), Value(1));
  EXPECT_EQ(database_->containsRawEventWithMetadataFingerprint(42, nullptr), Value(1));
  EXPECT_EQ(database_->containsRawEventWithMetadataFingerprint(43, nullptr), Value(0));
}

TEST_F(RawEventsAndQueueTest, EmptyArrayParameterReadsBack) {
  // The sanitiser keeps an empty array; the stored event must stay readable.
  auto made = APMEvent::initWithOrigin("app", false, "purchase", kFixtureNow, 0,
                                       APMParameterObjects{{"items", Value(Value::Array{})}, {"n", Value(1)}});
  ASSERT_TRUE(made);
  ASSERT_NE(made->parameter("items"), nullptr);
  APMError error;
  ASSERT_TRUE(database_->insertRawEvent(&*made, 1, false, &error));
  auto events = database_->rawEventsWithMetadataFingerprint(1, &error, [](size_t, const auto&) { return true; });
  ASSERT_TRUE(events) << error.localizedDescription();
  ASSERT_EQ(events->size(), 1u);
  EXPECT_EQ((*events)[0].rawEvent().parameters(), made->parameters());
}

TEST_F(RawEventsAndQueueTest, UnreadableRowsAreSkippedAndAllBadGivesNone) {
  APMEvent good = Event("e", kFixtureNow);
  ASSERT_TRUE(database_->insertRawEvent(&good, 1, false, nullptr));
  // A stored event without "_o", and garbage bytes, ahead of the good one.
  auto noOrigin = good.protoEvent();
  APMPBSetMessageArray(noOrigin.get(), 0, std::vector<std::shared_ptr<APMPBEventParam>>{});
  auto bytes = *noOrigin->protoBuffer();
  auto& store = database_->sqliteStore();
  ASSERT_TRUE(store.upsertRecord({{"rowid", Value(-2)}, {"name", Value("e")}, {"timestamp", Value(kFixtureNow)},
                                  {"metadata_fingerprint", Value(1)}, {"data", Value(bytes)}},
                                 "raw_events", nullptr));
  ASSERT_TRUE(store.upsertRecord({{"rowid", Value(-1)}, {"name", Value("e")}, {"timestamp", Value(kFixtureNow)},
                                  {"metadata_fingerprint", Value(1)}, {"data", Value::bytes("\xff\xff\xff")}},
                                 "raw_events", nullptr));
  auto all = [](size_t, const APMSqliteStore::Record&) { return true; };
  APMError error;
  auto events = database_->rawEventsWithMetadataFingerprint(1, &error, all);
  ASSERT_TRUE(events);
  ASSERT_EQ(events->size(), 1u);
  EXPECT_EQ((*events)[0].rowID(), 1);

  ASSERT_TRUE(database_->deleteRawEventsWithMaxRowID(1, nullptr));
  ASSERT_TRUE(store.upsertRecord({{"name", Value("e")}, {"timestamp", Value(kFixtureNow)},
                                  {"metadata_fingerprint", Value(1)}, {"data", Value(bytes)}},
                                 "raw_events", nullptr));
  EXPECT_FALSE(database_->rawEventsWithMetadataFingerprint(1, &error, all));
  EXPECT_EQ(error.localizedDescription(), "Cannot create an event from database. Missing origin parameter");
  auto none = database_->rawEventsWithMetadataFingerprint(9, &error, all);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST_F(RawEventsAndQueueTest, NaNTimeFailsWithTheConstraintError) {
  APMEvent event = Event("e", std::nan(""));
  APMError error;
  EXPECT_FALSE(database_->insertRawEvent(&event, 1, false, &error));
  EXPECT_NE(error.localizedDescription().find("NOT NULL"), std::string::npos) << error.localizedDescription();
  EXPECT_FALSE(database_->insertRawEvent(nullptr, 1, false, &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty event for inserting in the database");
}

TEST_F(RawEventsAndQueueTest, MetadataAndNextFingerprint) {
  APMError error;
  EXPECT_FALSE(database_->nextMetadataFingerprintToProcess(&error));
  EXPECT_EQ(error.code(), 0);
  auto metadata = Bundle("app", 1000);
  ASSERT_TRUE(database_->insertIfNotExistsRawEventMetadata(metadata.get(), &error));
  ASSERT_TRUE(database_->insertIfNotExistsRawEventMetadata(metadata.get(), &error));
  EXPECT_EQ(Count("raw_events_metadata"), 1);
  auto rows = database_->sqliteStore().recordsForQuery("SELECT metadata_fingerprint FROM raw_events_metadata", {},
                                                      nullptr);
  int64_t fingerprint = *(*rows)[0].at("metadata_fingerprint").getInt();
  auto back = database_->queryRawEventsMetadataWithFingerprint(fingerprint, &error);
  ASSERT_TRUE(back);
  EXPECT_EQ(APMPBGetString(back.get(), 14), "app");
  InsertEvents(2, 7);
  InsertEvents(1, fingerprint);
  EXPECT_EQ(database_->nextMetadataFingerprintToProcess(&error), Value(7));
}

TEST_F(RawEventsAndQueueTest, GarbageMetadataGivesNoBundle) {
  auto& store = database_->sqliteStore();
  for (const Value& garbage : {Value::bytes("\xff\xff\xff"), Value::bytes(""), Value("text"), Value(3)}) {
    ASSERT_TRUE(store.upsertRecord({{"metadata_fingerprint", Value(5)}, {"metadata", garbage}}, "raw_events_metadata",
                                   nullptr));
    APMError error;
    EXPECT_FALSE(database_->queryRawEventsMetadataWithFingerprint(5, &error));
  }
}

TEST_F(RawEventsAndQueueTest, OverLimitKeepsTheNewestAndCountsOnlyOnce) {
  config_->setConfiguredSettings({{"measurement.store.max_stored_events_per_app", "1000"}});
  InsertEvents(1500);
  SqlTrace trace;
  trace.attach(database_->sqliteStore().sqliteHandle());
  APMError error;
  EXPECT_EQ(database_->deleteRawEventsOverAbsoluteLimit(&error), 501);
  EXPECT_EQ(Count("raw_events"), 999);
  auto oldest = database_->sqliteStore().numberForQuery("SELECT MIN(rowid) FROM raw_events", {}, nullptr);
  EXPECT_EQ(oldest, Value(502));
  // Under the limit: no count and no walk over every row.
  trace.clear();
  EXPECT_EQ(database_->deleteRawEventsOverAbsoluteLimit(&error), 0);
  InsertEvents(1);
  trace.clear();
  EXPECT_EQ(database_->deleteRawEventsOverAbsoluteLimit(&error), 1);
  EXPECT_EQ(trace.texts(), (std::vector<std::string>{
                               "DELETE FROM raw_events WHERE rowid IN (SELECT rowid FROM raw_events ORDER BY rowid "
                               "DESC LIMIT -1 OFFSET ?)"}));
  // A rolled back transaction makes the count unknown again.
  EXPECT_FALSE(database_->performTransaction([&] {
    APMEvent event = Event("e", kFixtureNow);
    database_->insertRawEvent(&event, 1, false, nullptr);
    return false;
  }));
  trace.clear();
  EXPECT_EQ(database_->deleteRawEventsOverAbsoluteLimit(&error), 0);
  EXPECT_EQ(trace.texts(), (std::vector<std::string>{"SELECT COUNT(*) FROM raw_events"}));
  ASSERT_TRUE(database_->reset(&error));
  trace.attach(database_->sqliteStore().sqliteHandle());
  EXPECT_EQ(database_->deleteRawEventsOverAbsoluteLimit(&error), 0);
  EXPECT_EQ(trace.texts(), (std::vector<std::string>{"SELECT COUNT(*) FROM raw_events"}));
}

TEST_F(RawEventsAndQueueTest, StaleSweepBothWaysOncePerInterval) {
  double maxAge = config_->maxQueueTime();
  InsertEvents(1, 1, kFixtureNow - maxAge - 10);  // too old
  InsertEvents(1, 2, kFixtureNow + maxAge + 10);  // dated in the future
  InsertEvents(1, 3, kFixtureNow);
  for (int64_t fingerprint : {1, 2, 3}) {
    ASSERT_TRUE(database_->sqliteStore().upsertRecord(
        {{"metadata_fingerprint", Value(fingerprint)}, {"metadata", Value::bytes("m")}}, "raw_events_metadata",
        nullptr));
  }
  persisted_->setLastDeleteStaleBundlesTimestamp(0);
  APMError error;
  EXPECT_EQ(database_->maybeDeleteStaleData(&error), true);
  EXPECT_EQ(Count("raw_events"), 1);
  EXPECT_EQ(Count("raw_events_metadata"), 1);  // the unused metadata went too
  EXPECT_EQ(persisted_->lastDeleteStaleBundlesTimestamp(), kFixtureNow);
  InsertEvents(1, 3, kFixtureNow - maxAge - 10);
  clock_->advance(10);
  EXPECT_EQ(database_->maybeDeleteStaleData(&error), false);
  EXPECT_EQ(Count("raw_events"), 2);
  clock_->advance(config_->databaseDeleteStaleBundlesInterval());
  EXPECT_EQ(database_->maybeDeleteStaleData(&error), true);
  EXPECT_EQ(Count("raw_events"), 1);
  EXPECT_FALSE(database_->deleteStaleRawEventsDataOlderThanMaxAge(-1, &error));
  EXPECT_FALSE(database_->deleteStaleBundlesOlderThanMaxAge(-1, &error));
}

// The answers the upload schedule asks after every event are kept until a
// write could change them, whoever made it.
TEST_F(RawEventsAndQueueTest, ScheduleAnswersFollowEveryChangeOfTheirTable) {
  struct Answers {
    std::optional<Value> rawEmpty, latestRaw, realtimeRaw, queueEmpty, latestBundle, realtimeBundles;
    bool operator==(const Answers&) const = default;
  };
  auto read = [&] {
    return Answers{database_->isRawEventsTableEmpty(nullptr),
                   database_->queryLatestRawEventTime(nullptr),
                   database_->containsRealtimeRawEventsWithError(nullptr),
                   database_->isQueuedBundleTableEmpty(nullptr),
                   database_->queryLatestBundleTime(nullptr),
                   database_->containsRealtimeBundlesWithError(nullptr)};
  };
  // What the queries themselves answer, on a connection of their own.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(database_->sqliteStore().databasePath().c_str(), &other), SQLITE_OK);
  auto fresh = [&] {
    auto number = [&](const char* sql) -> std::optional<Value> {
      sqlite3_stmt* statement = nullptr;
      EXPECT_EQ(sqlite3_prepare_v2(other, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
      std::optional<Value> value;
      if (sqlite3_step(statement) == SQLITE_ROW) {
        const int type = sqlite3_column_type(statement, 0);
        if (type == SQLITE_INTEGER) value = Value(static_cast<int64_t>(sqlite3_column_int64(statement, 0)));
        if (type == SQLITE_FLOAT) value = Value(sqlite3_column_double(statement, 0));
      }
      sqlite3_finalize(statement);
      return value;
    };
    return Answers{number("SELECT NOT EXISTS (SELECT 1 FROM raw_events LIMIT 1)"),
                   number("SELECT MAX(timestamp) FROM raw_events"),
                   number("SELECT EXISTS (SELECT 1 FROM raw_events WHERE is_realtime = 1 LIMIT 1)"),
                   number("SELECT NOT EXISTS (SELECT 1 FROM queue LIMIT 1)"),
                   number("SELECT MAX(bundle_end_timestamp) FROM queue"),
                   number("SELECT EXISTS (SELECT 1 FROM queue WHERE is_realtime = 1 LIMIT 1)")};
  };
  auto insert = [&](double timestamp, bool realtime) {
    APMEvent event = Event("e", timestamp);
    return database_->insertRawEvent(&event, 1, realtime, nullptr);
  };
  struct Case {
    const char* name;
    std::function<void()> change;
    bool answeredFromMemory;  // only the commit checks run
  };
  const std::vector<Case> cases = {
      {"nothing changed", [] {}, true},
      {"an event", [&] { EXPECT_TRUE(insert(kFixtureNow, false)); }, false},
      {"an earlier event", [&] { EXPECT_TRUE(insert(kFixtureNow - 10, false)); }, true},
      {"a real-time event", [&] { EXPECT_TRUE(insert(kFixtureNow, true)); }, true},
      {"a later event", [&] { EXPECT_TRUE(insert(kFixtureNow + 10.5, false)); }, false},
      {"a rolled back event",
       [&] {
         EXPECT_FALSE(database_->performTransaction([&] {
           EXPECT_TRUE(insert(kFixtureNow + 20, true));
           return false;
         }));
       },
       false},
      {"a delete on another connection",
       [&] {
         EXPECT_EQ(sqlite3_exec(other, "DELETE FROM raw_events WHERE is_realtime = 1", nullptr, nullptr, nullptr),
                   SQLITE_OK);
       },
       false},
      {"the table emptied at once", [&] { Exec("DELETE FROM raw_events"); }, false},
      {"a bundle",
       [&] { EXPECT_TRUE(database_->insertBundle(Bundle("app", int64_t{1700000000123}).get(), true, nullptr)); },
       false},
      {"the queue emptied through the store",
       [&] { EXPECT_TRUE(database_->sqliteStore().deleteAllRecordsFromTableWithName("queue", nullptr)); }, false},
  };
  read();
  SqlTrace trace;
  trace.attach(database_->sqliteStore().sqliteHandle());
  for (const Case& c : cases) {
    c.change();
    trace.clear();
    EXPECT_EQ(read(), fresh()) << c.name;
    const bool onlyChecks = std::all_of(trace.texts().begin(), trace.texts().end(),
                                        [](const std::string& text) { return text == "PRAGMA data_version"; });
    EXPECT_EQ(onlyChecks, c.answeredFromMemory) << c.name;
  }
  sqlite3_close(other);
}

TEST_F(RawEventsAndQueueTest, BundleInsertChecks) {
  APMError error;
  EXPECT_FALSE(database_->insertBundle(Bundle("app", 0).get(), false, &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to insert bundle without valid timestamp");
  EXPECT_FALSE(database_->insertBundle(Bundle("", 1000).get(), false, &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to insert bundle without App ID");
  double far = kFixtureNow + config_->maxQueueTime() + 100;
  EXPECT_TRUE(database_->insertBundle(Bundle("app", static_cast<int64_t>(far * 1000)).get(), true, &error));
  EXPECT_TRUE(Logged("Storing bundle outside of the max uploading time span"));
  EXPECT_EQ(database_->containsRealtimeBundlesWithError(nullptr), Value(1));
  EXPECT_EQ(database_->queryLatestBundleTime(nullptr), Value(far));
}

TEST_F(RawEventsAndQueueTest, SizeLimitWalk) {
  struct Case {
    std::vector<int> padding;
    int limitOfFirst;  // the limit is the size of this many first bundles
    size_t taken;
  };
  const Case cases[] = {
      {{60, 30, 20}, 2, 2},  // the third does not fit
      {{60, 50, 10}, 1, 1},  // the second does not fit; the smaller third is not considered
      {{200}, 0, 1},         // the first always goes, whatever its size
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(database_->sqliteStore().deleteAllRecordsFromTableWithName("queue", nullptr));
    std::vector<int64_t> sizes;
    for (int padding : c.padding) {
      auto bundle = Bundle(std::string(static_cast<size_t>(padding), 'a'), static_cast<int64_t>(kFixtureNow * 1000));
      sizes.push_back(static_cast<int64_t>(bundle->protoBuffer()->size()));
      ASSERT_TRUE(database_->insertBundle(bundle.get(), false, nullptr));
    }
    int64_t limit = 0;
    for (int i = 0; i < c.limitOfFirst; ++i) limit += sizes[static_cast<size_t>(i)];
    auto bundles = database_->queryBundlesWithCountLimit(10, limit, nullptr);
    ASSERT_TRUE(bundles);
    EXPECT_EQ(bundles->size(), c.taken) << c.padding.size();
  }
}

TEST_F(RawEventsAndQueueTest, RetryCountsStopAtTheCeiling) {
  int64_t end = static_cast<int64_t>(kFixtureNow * 1000);
  ASSERT_TRUE(database_->insertBundle(Bundle("a", end, 2147483647).get(), false, nullptr));
  ASSERT_TRUE(database_->insertBundle(Bundle("b", end, 3).get(), false, nullptr));
  ASSERT_TRUE(database_->insertBundle(Bundle("c", end).get(), false, nullptr));
  APMError error;
  ASSERT_TRUE(database_->incrementRetryCounterForBundlesWithIDs({Value(1), Value(2), Value(3)}, &error));
  EXPECT_TRUE(Logged("The number of upload retries exceeds the limit"));
  auto bundles = database_->queryBundlesWithRowIDs({Value(3), Value(1), Value(2)}, &error);
  ASSERT_TRUE(bundles);
  ASSERT_EQ(bundles->size(), 3u);
  EXPECT_EQ(APMPBGetInt32((*bundles)[0].bundle.get(), 35), 2147483647);
  EXPECT_EQ(APMPBGetInt32((*bundles)[1].bundle.get(), 35), 4);
  EXPECT_EQ(APMPBGetInt32((*bundles)[2].bundle.get(), 35), 1);
  EXPECT_FALSE(database_->incrementRetryCounterForBundlesWithIDs({}, &error));
  EXPECT_FALSE(database_->queryBundlesWithRowIDs({Value("x")}, &error));
  EXPECT_EQ(error.localizedDescription(), "Received invalid type for row ID to process");
  ASSERT_TRUE(database_->deleteBundlesWithRowIDs({Value(1), Value(2)}, &error));
  EXPECT_EQ(Count("queue"), 1);
}

TEST_F(RawEventsAndQueueTest, UndecodableBundlesAheadOfGoodOnesAreDeleted) {
  auto& store = database_->sqliteStore();
  auto gzip = [](const std::string& text) {
    return *platform::TVUGzip::tvu_dataByGzippingData(platform::Bytes(text.begin(), text.end()));
  };
  std::vector<Value> garbage{Value(platform::Bytes{}), Value::bytes("not gzip at all"), Value(gzip("\xff\xff\xff")),
                             Value("text, not bytes")};
  for (const Value& data : garbage) {
    ASSERT_TRUE(store.upsertRecord({{"data", data}, {"bundle_end_timestamp", Value(kFixtureNow)}}, "queue", nullptr));
  }
  ASSERT_TRUE(database_->insertBundle(Bundle("good", static_cast<int64_t>(kFixtureNow * 1000)).get(), false, nullptr));
  // A LIMIT window as wide as the bad rows still reaches the good bundle next time.
  auto first = database_->queryBundlesWithCountLimit(4, 1 << 20, nullptr);
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->empty());
  EXPECT_TRUE(Logged("Deleting queued bundle that cannot be decoded"));
  EXPECT_EQ(Count("queue"), 1);
  auto second = database_->queryBundlesWithCountLimit(4, 1 << 20, nullptr);
  ASSERT_EQ(second->size(), 1u);
  EXPECT_EQ(APMPBGetString((*second)[0].bundle.get(), 14), "good");
}

TEST_F(RawEventsAndQueueTest, BundleIsKeptWhenInflationRunsOutOfMemory) {
  ASSERT_TRUE(database_->insertBundle(Bundle("good", static_cast<int64_t>(kFixtureNow * 1000)).get(), false, nullptr));
  database_->setInflaterForTesting(
      [](const platform::Bytes&) -> platform::Result<platform::Bytes> { return platform::Status::Internal("memory"); });
  auto bundles = database_->queryBundlesWithCountLimit(10, 1 << 20, nullptr);
  ASSERT_TRUE(bundles);
  EXPECT_TRUE(bundles->empty());
  EXPECT_EQ(Count("queue"), 1);
  database_->setInflaterForTesting({});
  EXPECT_EQ(database_->queryBundlesWithCountLimit(10, 1 << 20, nullptr)->size(), 1u);
}

TEST_F(RawEventsAndQueueTest, BundleIsKeptWhenZlibRunsOutOfMemory) {
  // Larger than one inflation chunk, so that zlib needs its window mid-stream.
  const std::string appID(100000, 'g');
  ASSERT_TRUE(database_->insertBundle(Bundle(appID, static_cast<int64_t>(kFixtureNow * 1000)).get(), false, nullptr));
  // zlib gets its stream state, then no window: inflate itself reports the shortage.
  static std::atomic<int> granted{0};
  granted = 1;
  platform::Gzip::setRefuseAllocationHookForTesting([] { return granted.fetch_sub(1) <= 0; });
  auto bundles = database_->queryBundlesWithCountLimit(10, 1 << 20, nullptr);
  platform::Gzip::setRefuseAllocationHookForTesting(nullptr);
  ASSERT_TRUE(bundles);
  EXPECT_TRUE(bundles->empty());
  EXPECT_FALSE(Logged("Deleting queued bundle that cannot be decoded"));
  EXPECT_EQ(Count("queue"), 1);
  auto later = database_->queryBundlesWithCountLimit(10, 1 << 20, nullptr);
  ASSERT_TRUE(later);
  ASSERT_EQ(later->size(), 1u);
  EXPECT_EQ(APMPBGetString((*later)[0].bundle.get(), 14), appID);
}

}  // namespace
