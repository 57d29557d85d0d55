// Audience evaluation on a stored configuration of 100 audiences of 10 event
// filters each, every audience with a stored result. The evaluated event is
// named by 10 filters, one in each of 10 audiences, each with a "contains"
// and a number parameter filter (dynamic, so each event evaluates all ten).
// Targets: one event evaluated, one transaction per 100 events, median at
// most 250 µs; resultsForBundling over the 100 audiences in one transaction
// at most 1.5 ms. Both are reported beside the times ("target_met" 1 or 0);
// a miss never fails the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/Audience/APMAudience.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace {

constexpr int kAudiences = 100;
constexpr int kFiltersPerAudience = 10;
constexpr int kMatchingAudiences = 10;
constexpr int kEventsPerTransaction = 100;
constexpr double kEventTargetMicros = 250;
constexpr double kBundlingTargetMicros = 1500;
const char* const kEventName = "bench_event";

std::shared_ptr<APMPBFilter> Contains(const std::string& parameter, const std::string& text) {
  auto string = std::make_shared<APMPBStringFilter>();
  APMPBSetInt32(string.get(), 0, 4);
  APMPBSetString(string.get(), 1, text);
  auto filter = std::make_shared<APMPBFilter>();
  APMPBSetMessage(filter.get(), 0, string.get());
  APMPBSetString(filter.get(), 3, parameter);
  return filter;
}

std::shared_ptr<APMPBFilter> GreaterThan(const std::string& parameter, const std::string& value) {
  auto number = std::make_shared<APMPBNumberFilter>();
  APMPBSetInt32(number.get(), 0, 2);
  APMPBSetString(number.get(), 2, value);
  auto filter = std::make_shared<APMPBFilter>();
  APMPBSetMessage(filter.get(), 1, number.get());
  APMPBSetString(filter.get(), 3, parameter);
  return filter;
}

std::shared_ptr<APMPBEventFilter> EventFilter(int32_t id, const std::string& eventName, bool dynamic) {
  auto filter = std::make_shared<APMPBEventFilter>();
  APMPBSetInt32(filter.get(), 0, id);
  APMPBSetString(filter.get(), 1, eventName);
  APMPBSetMessageArray<APMPBFilter>(filter.get(), 2,
                                    {Contains("item_name", "shoe"), GreaterThan("quantity", std::to_string(id))});
  if (dynamic) APMPBSetBool(filter.get(), 5, true);
  return filter;
}

APMEvent::Parameters EventParameters(int64_t i) {
  return {{"item_name", APMValue("running shoe " + std::to_string(i % 17))},
          {"quantity", APMValue(int64_t{20} + i % 5)},
          {"price", APMValue(19.99)}};
}

struct Fixture {
  platform::TemporaryDataRoot root;
  std::shared_ptr<APMDatabase> database;
  std::unique_ptr<APMAudience> audience;
  double time = 1700000000.0;

  Fixture() {
    database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, nullptr);
    audience = std::make_unique<APMAudience>(database);
    std::vector<std::shared_ptr<APMPBAudience>> audiences;
    for (int32_t id = 0; id < kAudiences; ++id) {
      auto definition = std::make_shared<APMPBAudience>();
      APMPBSetInt32(definition.get(), 0, id);
      std::vector<std::shared_ptr<APMPBEventFilter>> filters;
      for (int32_t filter = 0; filter < kFiltersPerAudience; ++filter) {
        const bool matching = id < kMatchingAudiences && filter == 0;
        filters.push_back(EventFilter(filter, matching ? kEventName : "other_" + std::to_string(id * 10 + filter),
                                      matching));
      }
      APMPBSetMessageArray(definition.get(), 2, filters);
      audiences.push_back(std::move(definition));
    }
    audience->updateAudiences(audiences);
    // A stored result for every audience: one other event of each evaluated.
    database->performTransaction([&] {
      for (int32_t id = 0; id < kAudiences; ++id) {
        audience->evaluateFiltersForEventName("other_" + std::to_string(id * 10 + 1), EventParameters(id), nullptr,
                                              time, nullptr);
      }
      return true;
    });
  }
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BM_AudienceEvaluateEvent(benchmark::State& state) {
  Fixture fixture;
  std::vector<double> perEvent;
  int64_t events = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    fixture.database->performTransaction([&] {
      for (int i = 0; i < kEventsPerTransaction; ++i, ++events) {
        fixture.time += 1;
        if (!fixture.audience->evaluateFiltersForEventName(kEventName, EventParameters(events), nullptr,
                                                           fixture.time, nullptr)) {
          state.SkipWithError("evaluation failed");
          return false;
        }
      }
      return true;
    });
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    perEvent.push_back(elapsed.count() / kEventsPerTransaction);
  }
  const double median = Median(perEvent);
  state.SetItemsProcessed(events);
  state.counters["median_us_per_event"] = median;
  state.counters["target_met"] = median <= kEventTargetMicros ? 1 : 0;
}

void BM_AudienceResultsForBundling(benchmark::State& state) {
  Fixture fixture;
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::optional<APMAudience::LeafResults> results;
    fixture.database->performTransaction([&] { return fixture.audience->resultsForBundling(&results); });
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    if (!results || results->size() != static_cast<size_t>(kAudiences)) state.SkipWithError("bundling failed");
    times.push_back(elapsed.count());
    benchmark::DoNotOptimize(results);
  }
  const double median = Median(times);
  state.counters["median_us"] = median;
  state.counters["target_met"] = median <= kBundlingTargetMicros ? 1 : 0;
}

BENCHMARK(BM_AudienceEvaluateEvent)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AudienceResultsForBundling)->Unit(benchmark::kMicrosecond);

}  // namespace
