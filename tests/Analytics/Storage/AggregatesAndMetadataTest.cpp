#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMAppMetadata.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using platform::Value;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

class AggregatesAndMetadataTest : public MeasurementDatabaseFixture {
 protected:
  static APMEventAggregates Aggregates(const std::string& name) {
    return *APMEventAggregates::initWithName(name, 1, 1, 1, kFixtureNow);
  }
};

struct CountsRow {
  int32_t day, conversions, all, publics, errors, realtime;
  bool operator==(const CountsRow&) const = default;
};
CountsRow Row(const APMDailyCounts& c) {
  return {c.day(), c.conversionsCount(), c.allEventsCount(), c.publicEventsCount(), c.errorEventsCount(),
          c.realtimeCount()};
}
void PrintTo(const CountsRow& r, std::ostream* os) {
  *os << "{" << r.day << "," << r.conversions << "," << r.all << "," << r.publics << "," << r.errors << ","
      << r.realtime << "}";
}

TEST(DailyCountsTest, SameDayAndNewDay) {
  struct Case {
    const char* what;
    void (*apply)(APMDailyCounts&, int32_t day);
    CountsRow sameDay;  // from {5, 1, 10, 4, 2, 3}
    CountsRow newDay;   // day 6
  };
  const Case cases[] = {
      {"public conversion, 5 events",
       [](APMDailyCounts& c, int32_t d) { c.incrementCountsForCurrentDay(d, true, true, 5); },
       {5, 2, 15, 9, 2, 3}, {6, 1, 5, 5, 0, 0}},
      {"private event", [](APMDailyCounts& c, int32_t d) { c.incrementCountsForCurrentDay(d, false, false); },
       {5, 1, 11, 4, 2, 3}, {6, 0, 1, 0, 0, 0}},
      {"error", [](APMDailyCounts& c, int32_t d) { c.incrementErrorEventsCountForCurrentDay(d); },
       {5, 1, 11, 4, 3, 3}, {6, 0, 1, 0, 1, 0}},
      {"realtime", [](APMDailyCounts& c, int32_t d) { c.incrementRealtimeCountsForCurrentDay(d); },
       {5, 1, 10, 4, 2, 4}, {6, 0, 0, 0, 0, 1}},
      {"reset", [](APMDailyCounts& c, int32_t d) { c.resetWithNewDay(d); }, {5, 0, 0, 0, 0, 0}, {6, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    APMDailyCounts same(5, 1, 10, 4, 2, 3);
    c.apply(same, 5);
    EXPECT_EQ(Row(same), c.sameDay);
    APMDailyCounts next(5, 1, 10, 4, 2, 3);
    c.apply(next, 6);
    EXPECT_EQ(Row(next), c.newDay);
  }
  APMDailyCounts zero(5, 0, 0, 0, 0, 0);
  zero.decrementAllEventsCount();
  EXPECT_EQ(zero.allEventsCount(), 0);
  // The 32-bit counters wrap without undefined behaviour.
  APMDailyCounts full(5, 0, kMax, kMax, 0, kMax);
  full.incrementCountsForCurrentDay(5, true, false, 1);
  full.incrementRealtimeCountsForCurrentDay(5);
  EXPECT_EQ(full.allEventsCount(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(full.realtimeCount(), std::numeric_limits<int32_t>::min());
}

TEST_F(AggregatesAndMetadataTest, RecordCreationAndOverflow) {
  EXPECT_FALSE(APMAppMetadata::initWithLastBundleIndex(-1, 0, 0));
  EXPECT_TRUE(Logged("Received negative last bundle index"));
  auto metadata = APMAppMetadata::initWithLastBundleIndex(kMax, 0, 0);
  metadata->incrementLastBundleIndex();
  EXPECT_EQ(metadata->lastBundleIndex(), 0);
  EXPECT_TRUE(Logged("Bundle index overflow. Bundle index reset to 0."));

  EXPECT_FALSE(APMEventAggregates::initWithName("e", 0, -1, 0, 0));
  EXPECT_TRUE(Logged("Received negative count"));
  EXPECT_FALSE(APMEventAggregates::initWithName("", 0, 0, 0, 0));
  struct Case {
    void (APMEventAggregates::*increment)();
    int32_t (APMEventAggregates::*read)() const;
    const char* logged;
  };
  const Case cases[] = {
      {&APMEventAggregates::incrementLifetimeCount, &APMEventAggregates::lifetimeCount,
       "Lifetime count overflow. Lifetime count reset to 0."},
      {&APMEventAggregates::incrementCurrentBundleCount, &APMEventAggregates::currentBundleCount,
       "Bundle count overflow. Bundle count reset to 0."},
      {&APMEventAggregates::incrementCurrentSessionCount, &APMEventAggregates::currentSessionCount,
       "Session count overflow. Session count reset to 0."},
  };
  for (const Case& c : cases) {
    auto aggregates = *APMEventAggregates::initWithName("e", kMax, kMax, kMax, 0);
    (aggregates.*c.increment)();
    EXPECT_EQ((aggregates.*c.read)(), 0) << c.logged;
    EXPECT_TRUE(Logged(c.logged));
    (aggregates.*c.increment)();
    EXPECT_EQ((aggregates.*c.read)(), 1);
  }
  auto fresh = *APMEventAggregates::initWithName("e", 0, 0, 0, 3);
  EXPECT_EQ(fresh.lastSamplingRate(), 1);
  EXPECT_FALSE(fresh.lastSampledComplexEventID());
}

TEST_F(AggregatesAndMetadataTest, FreshDatabaseHasZeroCountsOfToday) {
  APMError error;
  auto counts = database_->dailyCounts(&error);
  ASSERT_TRUE(counts) << error.localizedDescription();
  int32_t today = static_cast<int32_t>(std::floor((kFixtureNow - persisted_->midnightOffset()) / 86400));
  EXPECT_EQ(Row(*counts), (CountsRow{today, 0, 0, 0, 0, 0}));
  auto metadata = database_->queryAppMetadata(&error);
  ASSERT_TRUE(metadata);
  EXPECT_EQ(metadata->lastBundleIndex(), 0);
}

TEST_F(AggregatesAndMetadataTest, DayChangesAtTheInstallationsMidnight) {
  double offset = persisted_->midnightOffset();
  clock_ = std::make_shared<platform::ManualClock>(20000 * 86400.0 + offset - 0.5);
  platform::Clock::setCurrent(clock_);
  EXPECT_EQ(database_->dailyCounts(nullptr)->day(), 19999);
  clock_->advance(1);
  EXPECT_EQ(database_->dailyCounts(nullptr)->day(), 20000);
}

TEST_F(AggregatesAndMetadataTest, CountsAndMetadataRoundTrip) {
  APMDailyCounts counts(19675, 1, 2, 3, 4, 5);
  ASSERT_TRUE(database_->updateDailyCounts(&counts, nullptr));
  clock_->advance(86400);  // read back unchanged on the next day
  EXPECT_EQ(Row(*database_->dailyCounts(nullptr)), Row(counts));
  auto metadata = APMAppMetadata::initWithLastBundleIndex(7, 1.5, 2.5);
  ASSERT_TRUE(database_->updateAppMetadata(&*metadata, nullptr));
  auto back = database_->queryAppMetadata(nullptr);
  EXPECT_EQ(back->lastBundleIndex(), 7);
  EXPECT_EQ(back->lastBundleStartTimestamp(), 1.5);
  EXPECT_EQ(back->lastBundleEndTimestamp(), 2.5);
  APMError error;
  EXPECT_FALSE(database_->updateDailyCounts(nullptr, &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty daily counts for getting dictionary representation");
}

TEST_F(AggregatesAndMetadataTest, AggregatesRoundTripAndAClearedSampledIDIsStoredAsNull) {
  auto aggregates = Aggregates("_s");
  aggregates.setLastSampledComplexEventID(42);
  aggregates.setLastSamplingRate(10);
  aggregates.setLastExemptFromSampling(true);
  aggregates.setLastBundledDay(9);
  ASSERT_TRUE(database_->updateEventAggregates(&aggregates, nullptr));
  auto back = database_->eventAggregatesWithName("_s", nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->lastSampledComplexEventID(), 42);
  EXPECT_EQ(back->lastSamplingRate(), 10);
  EXPECT_TRUE(back->lastExemptFromSampling());
  EXPECT_EQ(back->lastBundledDay(), 9);
  // Clearing the ID must not bring the old one back on the next read.
  back->setLastSampledComplexEventID(std::nullopt);
  ASSERT_TRUE(database_->updateEventAggregates(&*back, nullptr));
  EXPECT_FALSE(database_->eventAggregatesWithName("_s", nullptr)->lastSampledComplexEventID());
  ASSERT_TRUE(database_->clearCurrentSessionCounts(nullptr));
  EXPECT_EQ(database_->eventAggregatesWithName("_s", nullptr)->currentSessionCount(), 0);
}

TEST_F(AggregatesAndMetadataTest, ThousandNamesThenNewOnesAreRefusedWhileUpdatesGoOn) {
  ASSERT_TRUE(database_->performTransaction([&] {
    for (int i = 0; i < 1000; ++i) {
      auto aggregates = Aggregates((i % 2 == 0 ? "_e" : "e") + std::to_string(i));
      if (!database_->updateEventAggregates(&aggregates, nullptr)) return false;
    }
    return true;
  }));
  auto extra = Aggregates("one_more");
  APMError error;
  EXPECT_FALSE(database_->updateEventAggregates(&extra, &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to insert data type. Table is full");
  auto existing = Aggregates("e1");
  existing.incrementLifetimeCount();
  EXPECT_TRUE(database_->updateEventAggregates(&existing, nullptr));
  EXPECT_EQ(database_->eventAggregatesWithName("e1", nullptr)->lifetimeCount(), 2);
  EXPECT_EQ(database_->publicEventCount(nullptr), Value(500));
  EXPECT_EQ(database_->allEventAggregates(nullptr)->size(), 1000u);
}

TEST_F(AggregatesAndMetadataTest, BadAggregateRowsAreSkipped) {
  auto& store = database_->sqliteStore();
  ASSERT_TRUE(store.upsertRecord({{"name", Value("ok")}, {"lifetime_count", Value(1)},
                                  {"current_bundle_count", Value(1)}, {"last_fire_timestamp", Value(1.0)}},
                                 "events", nullptr));
  ASSERT_TRUE(store.upsertRecord({{"name", Value("neg")}, {"lifetime_count", Value(-1)},
                                  {"current_bundle_count", Value(1)}, {"last_fire_timestamp", Value(1.0)}},
                                 "events", nullptr));
  ASSERT_TRUE(store.upsertRecord({{"name", Value("bad name!")}, {"lifetime_count", Value(1)},
                                  {"current_bundle_count", Value(1)}, {"last_fire_timestamp", Value(1.0)}},
                                 "events", nullptr));
  auto all = database_->allEventAggregates(nullptr);
  ASSERT_TRUE(all);
  ASSERT_EQ(all->size(), 1u);
  EXPECT_EQ((*all)[0].name(), "ok");
  EXPECT_EQ((*all)[0].currentSessionCount(), 0);  // NULL column
}

TEST_F(AggregatesAndMetadataTest, MeasurementConfigBlob) {
  APMError error;
  EXPECT_FALSE(database_->queryMeasurementConfigWithError(&error));
  EXPECT_EQ(error.code(), 0);
  auto config = std::make_shared<APMPBMeasurementConfig>();
  EXPECT_FALSE(database_->updateRemoteConfig(config.get(), &error));
  APMPBSetString(config.get(), 1, "1:123:ios:abc");
  ASSERT_TRUE(database_->updateRemoteConfig(config.get(), &error)) << error.localizedDescription();
  auto back = database_->queryMeasurementConfigWithError(&error);
  ASSERT_TRUE(back);
  EXPECT_EQ(APMPBGetString(back.get(), 1), "1:123:ios:abc");
  EXPECT_EQ(database_->lastRemoteConfigUpdateTimestamp(nullptr), Value(kFixtureNow));

  auto& store = database_->sqliteStore();
  ASSERT_TRUE(store.updateRecord({{"remote_config_data", Value::bytes("\xff\xff\xff\xff")}}, "app_metadata", "rowid",
                                 Value(1), nullptr));
  error = APMError();
  EXPECT_FALSE(database_->queryMeasurementConfigWithError(&error));
  EXPECT_EQ(error.localizedDescription(), "Remote config data is corrupted");
  for (const Value& empty : {Value::bytes(""), Value("text"), Value(7)}) {
    ASSERT_TRUE(store.updateRecord({{"remote_config_data", empty}}, "app_metadata", "rowid", Value(1), nullptr));
    error = APMError();
    EXPECT_FALSE(database_->queryMeasurementConfigWithError(&error));
    EXPECT_EQ(error.code(), 0);
  }
}

}  // namespace
