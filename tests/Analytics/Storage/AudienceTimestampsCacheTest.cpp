#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/Audience/APMAudienceTimestampsCache.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"
#include "Analytics/Storage/Audience/APMSequenceTimestampsCache.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using Times = std::vector<int64_t>;

APMEventFilter StoredEventFilter(int32_t audienceID, int32_t filterID, bool sessionScoped, bool dynamic, bool sequence) {
  return APMEventFilter(audienceID, filterID, "purchase", {}, sessionScoped, dynamic, sequence);
}
APMPropertyFilter StoredPropertyFilter(int32_t audienceID, int32_t filterID, bool sessionScoped, bool dynamic,
                                       bool sequence) {
  return APMPropertyFilter(audienceID, filterID, "tier", {}, sessionScoped, dynamic, sequence);
}

// "filter: t1 t2; filter: ..." of sequence entries, to compare whole lists at once.
std::string Describe(const APMAudienceTimestampsCache::SequenceTimestamps& entries) {
  std::string text;
  for (const auto& entry : entries) {
    text += std::to_string(APMPBGetInt32(entry.get(), 0)) + ":";
    const auto times = APMPBGetArray(entry.get(), 1, nullptr);
    for (const auto& time : *times) {
      text += " " + std::to_string(time.number()->longLongValue());
    }
    text += ";";
  }
  return text;
}
std::string Describe(const std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    text += std::to_string(APMPBGetInt32(entry.get(), 0)) + "=" + std::to_string(APMPBGetInt64(entry.get(), 1)) + ";";
  }
  return text;
}

class AudienceTimestampsCacheTest : public MeasurementDatabaseFixture {};

TEST_F(AudienceTimestampsCacheTest, SequenceEventTimesKeepOneEntryPerWholeSecondAndComeOutSorted) {
  APMSequenceTimestampsCache cache(3);
  cache.addEventFilterTimestamp(10.0, 1);
  cache.addEventFilterTimestamp(10.4, 1);  // same whole second as 10.0
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(1), std::vector<double>({10.0}));
  EXPECT_FALSE(Logged("Adding a sequence timestamp less than the last added timestamp"));
  cache.addEventFilterTimestamp(9.0, 1);
  EXPECT_TRUE(Logged("Adding a sequence timestamp less than the last added timestamp"));
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(1), std::vector<double>({10.0, 9.0}));
  // -0.5 and 0.4 both truncate to 0: one entry.
  cache.addEventFilterTimestamp(-0.5, 4);
  cache.addEventFilterTimestamp(0.4, 4);
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(4)->size(), 1u);
  EXPECT_FALSE(cache.sequenceTimestampsForFilterID(2));
  EXPECT_EQ(Describe(cache.sequenceFilterResultTimestamps()), "1: 9 10;4: 0;");
}

TEST_F(AudienceTimestampsCacheTest, PropertySequenceTimeIsReplaced) {
  APMSequenceTimestampsCache cache(3);
  cache.setUserPropertyTimestamp(50.0, 2);
  cache.setUserPropertyTimestamp(70.0, 2);
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(2), std::vector<double>({70.0}));
  EXPECT_FALSE(Logged("Setting a sequence timestamp less than the last set timestamp"));
  cache.setUserPropertyTimestamp(60.0, 2);
  EXPECT_TRUE(Logged("Setting a sequence timestamp less than the last set timestamp"));
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(2), std::vector<double>({60.0}));
}

TEST_F(AudienceTimestampsCacheTest, DynamicTimesOnlyMoveForwardAndComeOutByFilterID) {
  APMAudienceTimestampsCache cache;
  cache.populateCachedTimestamps(nullptr, 1);
  for (int32_t filterID : {7, 2, 5}) {
    cache.addEvaluationTimestamp(100.0 + filterID, StoredEventFilter(1, filterID, false, true, false));
  }
  EXPECT_EQ(Describe(cache.dynamicTimestampsForAudienceID(1)), "2=102;5=105;7=107;");
  cache.addEvaluationTimestamp(90.0, StoredEventFilter(1, 7, false, true, false));
  EXPECT_TRUE(Logged("Candidate evaluation timestamp is earlier than cached evaluation timestamp"));
  cache.addEvaluationTimestamp(107.0, StoredPropertyFilter(1, 7, true, false, false));  // equal is not later
  EXPECT_TRUE(Logged("Candidate evaluation timestamp is earlier than cached evaluation timestamp"));
  cache.addEvaluationTimestamp(200.0, StoredPropertyFilter(1, 5, true, false, false));  // session-scoped counts too
  EXPECT_EQ(Describe(cache.dynamicTimestampsForAudienceID(1)), "2=102;5=200;7=107;");
  // A filter with no flag records nothing; an audience never populated keeps nothing.
  cache.addEvaluationTimestamp(300.0, StoredEventFilter(1, 9, false, false, false));
  cache.addEvaluationTimestamp(300.0, StoredEventFilter(8, 1, false, true, false));
  EXPECT_EQ(Describe(cache.dynamicTimestampsForAudienceID(1)), "2=102;5=200;7=107;");
  EXPECT_TRUE(cache.dynamicTimestampsForAudienceID(8).empty());
  EXPECT_FALSE(cache.sequenceTimestampsForAudienceID(8));
}

TEST_F(AudienceTimestampsCacheTest, PopulatesFromStoredResultsOnceAndKeepsLastSequenceStep) {
  auto stored = std::make_shared<APMPBResultData>();
  auto dynamic = std::make_shared<APMPBDynamicFilterResultTimestamp>();
  APMPBSetInt32(dynamic.get(), 0, 4);
  APMPBSetInt64(dynamic.get(), 1, 1000);
  APMPBSetMessageArray<APMPBDynamicFilterResultTimestamp>(stored.get(), 2, {dynamic});
  auto steps = std::make_shared<APMPBSequenceFilterResultTimestamp>();
  APMPBSetInt32(steps.get(), 0, 6);
  std::vector<APMPBObject> times{APMPBNumber::numberWithLongLong(10), APMPBNumber::numberWithLongLong(20)};
  APMPBSetArray(steps.get(), 1, &times);
  auto noSteps = std::make_shared<APMPBSequenceFilterResultTimestamp>();
  APMPBSetInt32(noSteps.get(), 0, 8);
  APMPBSetMessageArray<APMPBSequenceFilterResultTimestamp>(stored.get(), 3, {steps, noSteps});
  APMFilterResult result(2, *stored->protoBuffer(), std::nullopt);

  APMAudienceTimestampsCache cache;
  cache.populateCachedTimestamps(&result, 2);
  EXPECT_EQ(Describe(cache.dynamicTimestampsForAudienceID(2)), "4=1000;");
  EXPECT_EQ(Describe(*cache.sequenceTimestampsForAudienceID(2)), "6: 20;");
  cache.addEvaluationTimestamp(1500.0, StoredEventFilter(2, 4, false, true, false));
  cache.addEvaluationTimestamp(30.0, StoredEventFilter(2, 6, false, false, true));
  // A second populate of the same audience must not undo this batch's times.
  cache.populateCachedTimestamps(&result, 2);
  EXPECT_EQ(Describe(cache.dynamicTimestampsForAudienceID(2)), "4=1500;");
  EXPECT_EQ(Describe(*cache.sequenceTimestampsForAudienceID(2)), "6: 20 30;");

  // Results that do not decode give empty caches, not a failure.
  APMFilterResult garbage(3, platform::Bytes{0xff, 0xff, 0xff}, std::nullopt);
  cache.populateCachedTimestamps(&garbage, 3);
  EXPECT_TRUE(cache.dynamicTimestampsForAudienceID(3).empty());
  EXPECT_EQ(Describe(*cache.sequenceTimestampsForAudienceID(3)), "");
}

}  // namespace
