// Bundling of stored raw events into the upload queue: what one bundle may
// hold, rows that do not decode, counts, engagement, bundle numbering and
// times that do not fit an integer.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/Analytics/Engine/Measurement/BundlingFixture.h"

namespace measurement_test {
namespace {

using testsupport::bundlefield::kBundleIndex;
using testsupport::bundlefield::kEndTimestamp;
using testsupport::bundlefield::kPreviousEndTimestamp;
using testsupport::bundlefield::kPreviousStartTimestamp;
using testsupport::bundlefield::kStartTimestamp;
using Names = std::vector<std::vector<std::string>>;

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

class BundlingTest : public BundlingFixture {};

struct RunCase {
  const char* label;
  std::vector<double> times;       // one "e<i>" event per time, rows 1..n
  std::vector<int> deletedRows;    // rows removed before bundling (1-based)
  std::map<std::string, std::string> settings;
  Names expected;
};

// One bundle: one clock hour, one unbroken run of row IDs, the count limit,
// and the size limit from the second row on (the first row always goes).
TEST_F(BundlingTest, BundleHoldsOneHourOneRunOfRowsWithinTheLimits) {
  const std::vector<RunCase> cases = {
      {"same hour", {kHourStart + 10, kHourStart + 3599}, {}, {}, {{"e0", "e1"}}},
      {"10:59:59 and 11:00:00", {kHourStart + 3599, kHourStart + 3600}, {}, {}, {{"e0"}, {"e1"}}},
      {"back across the hour", {kHourStart + 3600, kHourStart + 3599}, {}, {}, {{"e0"}, {"e1"}}},
      {"deleted row ends the run", {kHourStart, kHourStart + 1, kHourStart + 2}, {2}, {}, {{"e0"}, {"e2"}}},
      {"count limit", {kHourStart, kHourStart + 1, kHourStart + 2},
       {}, {{"measurement.upload.max_events_per_bundle", "2"}}, {{"e0", "e1"}, {"e2"}}},
      {"first event over the size limit", {kHourStart, kHourStart + 1},
       {}, {{"measurement.upload.max_batch_size", "10"}}, {{"e0"}, {"e1"}}},
      {"size limit of 0", {kHourStart, kHourStart + 1, kHourStart + 2},
       {}, {{"measurement.upload.max_batch_size", "0"}}, {{"e0"}, {"e1"}, {"e2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    setSettings(c.settings);
    std::vector<Raw> raws;
    for (size_t i = 0; i < c.times.size(); ++i) raws.push_back({"e" + std::to_string(i), c.times[i]});
    insert(raws);
    int64_t firstRow = std::stoll(value("SELECT min(rowid) FROM raw_events"));
    for (int row : c.deletedRows) sql("DELETE FROM raw_events WHERE rowid = " + std::to_string(firstRow + row - 1));

    EXPECT_EQ(bundleAll(), static_cast<int>(c.expected.size()));
    EXPECT_EQ(queuedNames(), c.expected);
    EXPECT_EQ(count("raw_events"), 0);
    sql("DELETE FROM queue");
  }
}

struct UndecodableCase {
  const char* label;
  std::string layout;  // 'o' a decodable event, 'x' a row that does not decode
  Names expected;
};

// A row that does not decode leaves with its run: it neither blocks bundling
// nor is picked again on every run.
TEST_F(BundlingTest, RowsThatDoNotDecodeAreDeletedWithTheirRun) {
  const std::vector<UndecodableCase> cases = {
      {"first", "xoo", {{"o1", "o2"}}},
      {"last", "oox", {{"o0", "o1"}}},
      {"between", "oxo", {{"o0", "o2"}}},
      {"alone", "x", {}},
      {"several alone", "xx", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    forgetLog();
    for (size_t i = 0; i < c.layout.size(); ++i) {
      if (c.layout[i] == 'x') {
        insertUndecodable(kHourStart + static_cast<double>(i));
      } else {
        insert({{"o" + std::to_string(i), kHourStart + static_cast<double>(i)}});
      }
    }
    EXPECT_TRUE(bundleOnce());
    EXPECT_TRUE(logged(23096));
    EXPECT_FALSE(logged(23097));
    EXPECT_EQ(count("raw_events"), 0);
    // The metadata goes with its last raw event.
    EXPECT_EQ(count("raw_events_metadata"), 0);
    EXPECT_FALSE(bundleOnce());
    EXPECT_EQ(queuedNames(), c.expected);
    sql("DELETE FROM queue");
  }
}

// Created events may carry 2^63-1 s: hour, bundle times and the sampling day
// saturate instead of wrapping (a wrapped end time would read as negative).
TEST_F(BundlingTest, EventTimeBeyondTheInt64RangeSaturates) {
  configure({{"measurement.event_sampling_enabled", "1"}}, {{"far", std::nullopt, std::nullopt, 2}});
  engine_->setSamplingRollSource([](uint32_t) { return 0u; });
  insert({{"near", kHourStart}, {"far", 9223372036854775807.0}});

  EXPECT_EQ(bundleAll(), 2);
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 2u);
  EXPECT_EQ(names(bundles[1]), std::vector<std::string>{"far"});
  EXPECT_EQ(bundles[1].wire.int64(kStartTimestamp), kInt64Max);
  EXPECT_EQ(bundles[1].wire.int64(kEndTimestamp), kInt64Max);
  EXPECT_EQ(bundles[1].events[0].timestampMillis, kInt64Max);
  EXPECT_EQ(intParam(bundles[1].events[0], "_sr"), 2);
  EXPECT_EQ(bundles[1].wire.int64(kPreviousEndTimestamp), static_cast<int64_t>(kHourStart) * 1000);
  EXPECT_EQ(value("SELECT last_bundled_day FROM events WHERE name = 'far'"),
            std::to_string(std::numeric_limits<int32_t>::max()));
}

struct CountsCase {
  const char* label;
  std::map<std::string, std::string> settings;
  Raw event;
  bool conversionAfter;
  bool realtimeAfter;
  int conversionsCounted;
  int realtimeCounted;
  int loggedCode;  // 0: none to check
};

// Conversions and real-time events are counted per day at bundling; the
// limits take the flags away again, except from the events exempt from them.
TEST_F(BundlingTest, ConversionAndRealtimeDailyCounts) {
  const std::vector<CountsCase> cases = {
      {"custom conversion under both limits", {}, {"purchase_custom"}, true, true, 1, 1, 23103},
      {"conversion limit reached",
       {{"measurement.upload.max_conversions_per_day", "0"}}, {"purchase_custom"}, false, false, 0, 0, 23102},
      {"real-time limit reached",
       {{"measurement.upload.max_realtime_events_per_day", "0"}}, {"purchase_custom"}, true, false, 1, 0, 23104},
      {"real-time event over the limit",
       {{"measurement.upload.max_realtime_events_per_day", "0"}},
       {"ping", kHourStart, {}, false, true}, false, false, 0, 0, 23104},
      {"internal conversion is not counted",
       {{"measurement.upload.max_conversions_per_day", "0"}, {"measurement.upload.max_realtime_events_per_day", "0"}},
       {"_iap", kHourStart, {}, true}, true, true, 0, 0, 23105},
      {"first open is real-time whatever the count",
       {{"measurement.upload.max_realtime_events_per_day", "0"}}, {"_f", kHourStart, {}, true}, true, true, 0, 0,
       23105},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    configure(c.settings, {{"purchase_custom", std::nullopt, true, std::nullopt}});
    sql("UPDATE app_metadata SET daily_conversions_count = 0, daily_real_time_conversion_events_count = 0");
    forgetLog();
    insert({c.event});
    ASSERT_TRUE(bundleOnce());
    auto bundles = queued();
    ASSERT_EQ(bundles.size(), 1u);
    const auto& event = bundles[0].events.at(0);
    EXPECT_EQ(intParam(event, "_c").has_value(), c.conversionAfter);
    EXPECT_EQ(intParam(event, "_r").has_value(), c.realtimeAfter);
    EXPECT_EQ(value("SELECT ifnull(daily_conversions_count, 0) FROM app_metadata"),
              std::to_string(c.conversionsCounted));
    EXPECT_EQ(value("SELECT ifnull(daily_real_time_conversion_events_count, 0) FROM app_metadata"),
              std::to_string(c.realtimeCounted));
    EXPECT_EQ(value("SELECT is_realtime FROM queue"), c.realtimeAfter ? "1" : "0");
    if (c.loggedCode != 0) {
      EXPECT_TRUE(logged(c.loggedCode)) << c.loggedCode;
    }
    sql("DELETE FROM queue");
  }
}

// Yesterday's counts must not hold today's events to yesterday's limits.
TEST_F(BundlingTest, CountsOfAnotherDayDoNotCountAgainstToday) {
  configure({{"measurement.upload.max_conversions_per_day", "1"}}, {{"purchase_custom", std::nullopt, true, std::nullopt}});
  sql("UPDATE app_metadata SET day = 1, daily_conversions_count = 1");
  insert({{"purchase_custom"}});
  ASSERT_TRUE(bundleOnce());
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_TRUE(intParam(bundles[0].events.at(0), "_c").has_value());
  EXPECT_EQ(value("SELECT daily_conversions_count FROM app_metadata"), "1");
}

// "_lte" sums engagement over all bundles; "_se" restarts with a session.
TEST_F(BundlingTest, EngagementAccumulatesAndSessionEngagementRestartsWithASession) {
  insert({{"_e", kHourStart, {{"_et", Value(int64_t{1000})}}},
          {"_e", kHourStart + 1, {{"_et", Value(int64_t{500})}}},
          // A first-run engagement event counts towards neither.
          {"_e", kHourStart + 2, {{"_et", Value(int64_t{7000})}, {"_fr", Value(int64_t{1})}}}});
  ASSERT_TRUE(bundleOnce());
  insert({{"_s", kHourStart + 10}, {"_e", kHourStart + 11, {{"_et", Value(int64_t{200})}}}});
  ASSERT_TRUE(bundleOnce());
  insert({{"_e", kHourStart + 20, {{"_et", Value(int64_t{50})}}}});
  ASSERT_TRUE(bundleOnce());

  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 3u);
  EXPECT_EQ(attribute(bundles[0], "_lte"), 1500);
  EXPECT_EQ(attribute(bundles[0], "_se"), 1500);
  EXPECT_EQ(attribute(bundles[1], "_lte"), 1700);
  EXPECT_EQ(attribute(bundles[1], "_se"), 200);
  EXPECT_EQ(attribute(bundles[2], "_lte"), 1750);
  EXPECT_EQ(attribute(bundles[2], "_se"), 250);
}

// Bundle index and the previous bundle's window; the previous start falls
// back to the previous end when no start was recorded.
TEST_F(BundlingTest, BundleIndexAndPreviousBundleWindow) {
  insert({{"a", kHourStart + 5}, {"a", kHourStart + 6}});
  ASSERT_TRUE(bundleOnce());
  insert({{"b", kHourStart + 3605}});
  ASSERT_TRUE(bundleOnce());
  sql("UPDATE app_metadata SET last_bundle_start_timestamp = 0");
  insert({{"c", kHourStart + 7300}});
  ASSERT_TRUE(bundleOnce());

  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 3u);
  EXPECT_EQ(bundles[0].wire.int64(kBundleIndex), 1);
  EXPECT_FALSE(bundles[0].wire.has(kPreviousStartTimestamp));
  EXPECT_FALSE(bundles[0].wire.has(kPreviousEndTimestamp));
  EXPECT_EQ(bundles[0].wire.int64(kStartTimestamp), (static_cast<int64_t>(kHourStart) + 5) * 1000);
  EXPECT_EQ(bundles[0].wire.int64(kEndTimestamp), (static_cast<int64_t>(kHourStart) + 6) * 1000);

  EXPECT_EQ(bundles[1].wire.int64(kBundleIndex), 2);
  EXPECT_EQ(bundles[1].wire.int64(kPreviousStartTimestamp), (static_cast<int64_t>(kHourStart) + 5) * 1000);
  EXPECT_EQ(bundles[1].wire.int64(kPreviousEndTimestamp), (static_cast<int64_t>(kHourStart) + 6) * 1000);

  EXPECT_EQ(bundles[2].wire.int64(kBundleIndex), 3);
  EXPECT_EQ(bundles[2].wire.int64(kPreviousStartTimestamp), (static_cast<int64_t>(kHourStart) + 3605) * 1000);
  EXPECT_EQ(bundles[2].wire.int64(kPreviousEndTimestamp), (static_cast<int64_t>(kHourStart) + 3605) * 1000);
}

// Each event carries the time its name was last seen, and the names' counts
// grow by the events bundled.
TEST_F(BundlingTest, EventsCarryThePreviousTimeOfTheirName) {
  insert({{"a", kHourStart + 1}, {"a", kHourStart + 2}});
  ASSERT_TRUE(bundleOnce());
  insert({{"a", kHourStart + 3}});
  ASSERT_TRUE(bundleOnce());
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 2u);
  EXPECT_FALSE(bundles[0].events.at(0).previousTimestampMillis.has_value());
  EXPECT_EQ(bundles[0].events.at(1).previousTimestampMillis, (static_cast<int64_t>(kHourStart) + 1) * 1000);
  EXPECT_EQ(bundles[1].events.at(0).previousTimestampMillis, (static_cast<int64_t>(kHourStart) + 2) * 1000);
  EXPECT_EQ(value("SELECT lifetime_count || ' ' || current_bundle_count FROM events WHERE name = 'a'"), "3 3");
}

// Blocked events leave the bundle; when none is left nothing is queued and
// the rows still go.
TEST_F(BundlingTest, RejectedEventsAreDroppedAndAllRejectedQueuesNothing) {
  configure({}, {{"blocked", true, std::nullopt, std::nullopt}});
  insert({{"blocked", kHourStart}, {"kept", kHourStart + 1}});
  ASSERT_TRUE(bundleOnce());
  EXPECT_EQ(queuedNames(), (Names{{"kept"}}));
  EXPECT_TRUE(logged(23099));

  sql("DELETE FROM queue");
  insert({{"blocked", kHourStart + 2}});
  bundleOnce();
  EXPECT_TRUE(logged(23100));
  EXPECT_EQ(count("queue"), 0);
  EXPECT_EQ(count("raw_events"), 0);
}

// Raw events whose metadata is gone can never be bundled; as the oldest rows
// they would hold back every later event, so they go.
TEST_F(BundlingTest, RawEventsWithoutTheirMetadataDoNotHoldBackTheRest) {
  insert({{"orphan", kHourStart}});
  sql("DELETE FROM raw_events_metadata");
  EXPECT_TRUE(bundleOnce());
  EXPECT_TRUE(logged(23098));
  EXPECT_EQ(count("raw_events"), 0);
  EXPECT_EQ(count("queue"), 0);

  insert({{"later", kHourStart + 1}});
  ASSERT_TRUE(bundleOnce());
  EXPECT_EQ(queuedNames(), (Names{{"later"}}));
}

// A bundle that cannot be queued takes back everything its run changed, so
// the same raw events make the same bundle later.
TEST_F(BundlingTest, FailedQueueInsertRollsBackTheWholeRun) {
  configure({}, {{"purchase_custom", std::nullopt, true, std::nullopt}});
  insert({{"purchase_custom", kHourStart}, {"_e", kHourStart + 1, {{"_et", Value(int64_t{100})}}}});
  sql("CREATE TRIGGER refuse_bundles BEFORE INSERT ON queue BEGIN SELECT RAISE(ABORT, 'refused'); END");
  EXPECT_FALSE(bundleOnce());
  EXPECT_TRUE(logged(23115));
  EXPECT_EQ(count("raw_events"), 2);
  EXPECT_EQ(count("raw_events_metadata"), 1);
  EXPECT_EQ(count("events"), 0);
  EXPECT_EQ(count("user_attributes", "name IN ('_lte', '_se')"), 0);
  EXPECT_EQ(value("SELECT last_bundle_index || ' ' || ifnull(daily_conversions_count, 0) FROM app_metadata"), "0 0");

  sql("DROP TRIGGER refuse_bundles");
  ASSERT_TRUE(bundleOnce());
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_EQ(names(bundles[0]), (std::vector<std::string>{"purchase_custom", "_e"}));
  EXPECT_EQ(bundles[0].wire.int64(kBundleIndex), 1);
  EXPECT_EQ(attribute(bundles[0], "_lte"), 100);
  EXPECT_EQ(value("SELECT daily_conversions_count FROM app_metadata"), "1");
  EXPECT_EQ(value("SELECT lifetime_count FROM events WHERE name = 'purchase_custom'"), "1");
}

}  // namespace
}  // namespace measurement_test
