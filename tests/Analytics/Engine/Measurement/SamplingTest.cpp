// Event sampling at bundling, with the rolls scripted: about one event in N
// of a sampled name travels, the first of each account day always does, and
// the per-name state lands in the events table.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/Analytics/Engine/Measurement/BundlingFixture.h"

namespace measurement_test {
namespace {

constexpr uint32_t kWin = 0;
constexpr uint32_t kLose = 1;

class SamplingTest : public BundlingFixture {
 protected:
  // Sampling on, the name "s" at the given rate, and the rolls to answer in turn.
  void sample(int32_t rate, std::deque<uint32_t> rolls, int32_t timeZoneOffsetMinutes = 0) {
    configure({{"measurement.event_sampling_enabled", "1"},
               {"measurement.account.time_zone_offset_minutes", std::to_string(timeZoneOffsetMinutes)}},
              {{"s", std::nullopt, std::nullopt, rate}});
    rolls_ = std::move(rolls);
    engine_->setSamplingRollSource([this](uint32_t bound) {
      bounds_.push_back(bound);
      if (rolls_.empty()) {
        ADD_FAILURE() << "more rolls than scripted";
        return kLose;
      }
      uint32_t roll = rolls_.front();
      rolls_.pop_front();
      return roll;
    });
  }

  // (name, "_sr", "_efs") of every queued event, bundle after bundle.
  struct Kept {
    std::string name;
    std::optional<int64_t> rate;
    std::optional<int64_t> exempt;
    bool operator==(const Kept&) const = default;
    friend void PrintTo(const Kept& kept, std::ostream* out) {
      *out << kept.name << " _sr=" << (kept.rate ? std::to_string(*kept.rate) : "-")
           << " _efs=" << (kept.exempt ? std::to_string(*kept.exempt) : "-");
    }
  };
  std::vector<Kept> kept() {
    std::vector<Kept> result;
    for (const auto& bundle : queued()) {
      for (const auto& event : bundle.events) {
        result.push_back({event.name, intParam(event, "_sr"), intParam(event, "_efs")});
      }
    }
    return result;
  }

  std::deque<uint32_t> rolls_;
  std::vector<uint32_t> bounds_;
};

struct RollCase {
  const char* label;
  std::deque<uint32_t> rolls;
  std::vector<std::optional<int64_t>> rates;    // "_sr" of the kept events, in order
  std::vector<std::optional<int64_t>> exempts;  // "_efs" of the kept events
};

// Three events of one name on one day: the first of the day stays even when
// it loses its roll (marked exempt), later losers go, winners carry the rate.
TEST_F(SamplingTest, RollsDecideAndTheFirstOfTheDayAlwaysStays) {
  const std::vector<RollCase> cases = {
      {"all lose", {kLose, kLose, kLose}, {4}, {1}},
      {"all win", {kWin, kWin, kWin}, {4, 4, 4}, {std::nullopt, std::nullopt, std::nullopt}},
      {"lose, win, lose", {kLose, kWin, kLose}, {4, 4}, {1, std::nullopt}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    sql("DELETE FROM events");
    sql("DELETE FROM queue");
    bounds_.clear();
    sample(4, c.rolls);
    insert({{"s", kHourStart + 1}, {"s", kHourStart + 2}, {"s", kHourStart + 3}});
    ASSERT_TRUE(bundleOnce());
    std::vector<std::optional<int64_t>> rates, exempts;
    for (const auto& event : kept()) {
      EXPECT_EQ(event.name, "s");
      rates.push_back(event.rate);
      exempts.push_back(event.exempt);
    }
    EXPECT_EQ(rates, c.rates);
    EXPECT_EQ(exempts, c.exempts);
    EXPECT_EQ(bounds_, (std::vector<uint32_t>{4, 4, 4}));
    EXPECT_TRUE(rolls_.empty());
    EXPECT_EQ(value("SELECT last_sampling_rate FROM events WHERE name = 's'"), "4");
    EXPECT_EQ(count("raw_events"), 0);
  }
}

TEST_F(SamplingTest, RateOfOneIsInvalidAndKeepsEveryEventUnmarked) {
  sample(1, {});
  forgetLog();
  insert({{"s", kHourStart + 1}, {"s", kHourStart + 2}});
  ASSERT_TRUE(bundleOnce());
  EXPECT_TRUE(monitored("Invalid sampling rate provided"));
  EXPECT_EQ(kept(), (std::vector<Kept>{{"s", std::nullopt, std::nullopt}, {"s", std::nullopt, std::nullopt}}));
  EXPECT_TRUE(bounds_.empty());
}

TEST_F(SamplingTest, NothingIsRolledWhenSamplingIsOff) {
  sample(4, {});
  setSettings({});
  insert({{"s", kHourStart + 1}, {"s", kHourStart + 2}});
  ASSERT_TRUE(bundleOnce());
  EXPECT_EQ(kept().size(), 2u);
  EXPECT_TRUE(bounds_.empty());
}

struct DayCase {
  const char* label;
  int32_t offsetMinutes;
  bool secondKept;
};

// 22:30 and 23:30 UTC: one day, unless the account's time zone puts
// midnight between them. The device's own zone plays no part.
TEST_F(SamplingTest, DaysFollowTheAccountTimeZone) {
  const std::vector<DayCase> cases = {
      {"UTC", 0, false},
      {"UTC+1: 23:30 and 00:30", 60, true},
      {"UTC-1", -60, false},
      {"UTC+2: both after midnight", 120, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    sql("DELETE FROM events");
    sql("DELETE FROM queue");
    sample(4, {kLose, kLose}, c.offsetMinutes);
    insert({{"s", kHourStart + 1800}, {"s", kHourStart + 5400}});
    EXPECT_EQ(bundleAll(), 2);
    std::vector<Kept> expected = {{"s", 4, 1}};
    if (c.secondKept) expected.push_back({"s", 4, 1});
    EXPECT_EQ(kept(), expected);
  }
}

// A dropped complex event's ID is remembered; when sampling leaves nothing,
// the rows go and no bundle is queued.
TEST_F(SamplingTest, DroppedEventsLeaveTheirTraceAndAnEmptyBundleIsNotQueued) {
  sample(4, {kLose});
  insert({{"s", kHourStart + 1}});
  ASSERT_TRUE(bundleOnce());
  sql("DELETE FROM queue");

  sample(4, {kLose});
  forgetLog();
  insert({{"s", kHourStart + 2, {{"_eid", Value(int64_t{77})}}}});
  EXPECT_TRUE(bundleOnce());
  EXPECT_TRUE(monitored("No events left after sampling. Dropping bundle"));
  EXPECT_EQ(count("queue"), 0);
  EXPECT_EQ(count("raw_events"), 0);
  EXPECT_EQ(value("SELECT last_sampled_complex_event_id FROM events WHERE name = 's'"), "77");
}

}  // namespace
}  // namespace measurement_test
