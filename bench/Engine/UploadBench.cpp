// The upload on a started engine (manual clock, temporary data root):
//  - queue to request body: 10 queued bundles of 100 events with 10
//    parameters each (max_batch_size 1 MiB, consent "G1--", no data
//    controls, checksum off) read, consented and encoded into the batch that
//    is handed to the network; the shipped service host is refused at once,
//    so no transfer runs. Target: at most 5 ms.
//  - draining 20,000 raw events to the loopback collector by uploadData
//    started once (fetched, unexpired configuration; default max_bundles and
//    max_batch_size): every success uploads again while data remains.
//    Target: at least 20,000 events/s.
// A missed target is reported beside the time; it never fails the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"
#include "bench/Engine/EngineBenchPlatform.h"
#include "tests/support/MeasurementCollector.h"
#include "tests/support/MeasurementConfigBuilder.h"

namespace {

using platform::Value;

constexpr const char* kAppID = "1:1234567890:ios:00aa11bb22cc";
constexpr double kStart = 1700000000.0;
constexpr double kBodyTargetMillis = 5;
constexpr double kDrainTargetEventsPerSecond = 20000;
constexpr int kDrainEvents = 20000;

double Millis(std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

APMParameterObjects Parameters(int i, int count) {
  APMParameterObjects parameters;
  for (int k = 0; k < count; ++k) {
    if (k % 3 == 0) {
      parameters.emplace("text" + std::to_string(k), Value(std::string(10 + (i + k) % 11, 'a' + k % 26)));
    } else if (k % 3 == 1) {
      parameters.emplace("count" + std::to_string(k), Value(int64_t{i} * 7 + k));
    } else {
      parameters.emplace("amount" + std::to_string(k), Value(i * 0.5 + k));
    }
  }
  return parameters;
}

// A started engine whose network reaches the given host (none: the shipped
// host, refused without a lookup).
struct UploadEngine {
  platform::TemporaryDataRoot root;
  std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>(kStart);
  std::shared_ptr<APMMeasurement> engine;

  UploadEngine(const std::optional<std::string>& host, const std::string& certificateFile) {
    platform::Clock::setCurrent(clock);
    std::string deployment;
    if (host) {
      deployment = root.path() + "/deployment.plist";
      platform::PropertyList::writeFile(
          deployment,
          Value(Value::Dictionary{{platform::Deployment::kMeasurementServiceHostKey, Value(*host)},
                                  {platform::Deployment::kTrustedCertificatesFileKey, Value(certificateFile)}}));
    }
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(
        platform::Deployment::kEnvironmentVariable, deployment.empty() ? std::nullopt : std::optional(deployment));
    platform::Deployment::resetForTesting();
    engine_bench::InstallPlatformStandIns("com.facility.upload-bench");
    auto reachability = std::make_shared<platform::NetworkReachabilityManager>(
        [] { return platform::ReachabilityStatus::kReachableEthernetOrWiFi; });
    auto network = std::make_shared<platform::TVUNetwork>(platform::Deployment::measurementServiceHost(), reachability);
    auto scheduler = std::make_shared<APMScheduler>(APMMeasurement::kWorkerQueueLabel);
    auto alarm = std::make_shared<APMAlarm>(scheduler->workerQueue(), APMMeasurement::kAlarmName);
    engine = APMMeasurement::initWithDatabaseName(APMDatabase::kDatabaseName, APMPersistedConfig::sharedInstance(),
                                                  network, scheduler, alarm, kAppID, true, false, {}, nullptr);
    clock->runUntil([&] { return engine && engine->isEnabled() && engine->database(); }, 30);
    clock->runUntilIdle();
  }
  ~UploadEngine() {
    engine.reset();
    clock->runUntilIdle();
    engine_bench::RemovePlatformStandIns();
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable,
                                                                       std::nullopt);
    platform::Deployment::resetForTesting();
    platform::Clock::setCurrent(nullptr);
  }

  bool ready() const { return engine && engine->isEnabled() && engine->database(); }

  // Runs the block on the worker queue while the main loop turns.
  void onWorker(const std::function<void()>& block) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    engine->scheduler()->scheduleOnWorkerQueueBlockID("UploadBench:1", [block, done] {
      block();
      done->store(true);
    });
    clock->runUntil([&] { return done->load(); }, 60);
    clock->runUntilIdle();
  }

  // A stored, fresh configuration with these settings on top.
  bool configure(const std::vector<std::pair<std::string, std::string>>& settings) {
    auto config = measurement_config::ConfigBuilder(kAppID).version(1).settings(settings).Encoded();
    bool ok = false;
    onWorker([&] { ok = engine->remoteConfigInstance()->updateMeasurementConfig(config); });
    return ok;
  }
};

// ---- Queue to request body ----

void BM_QueueToRequestBody(benchmark::State& state) {
  constexpr int kBundles = 10;
  constexpr int kEventsPerBundle = 100;
  constexpr int kParameters = 10;
  UploadEngine fixture(std::nullopt, "");
  if (!fixture.ready() || !fixture.configure({{"measurement.upload.max_batch_size", "1048576"}})) {
    state.SkipWithError("engine did not start");
    return;
  }
  bool queued = false;
  fixture.onWorker([&] {
    auto& database = *fixture.engine->database();
    queued = database.performTransaction([&] {
      for (int b = 0; b < kBundles; ++b) {
        auto bundle = APMPBMeasurementBundle::initWithMessageInfo(nullptr);
        APMPBSetInt32(bundle.get(), apm_bundle_fields::kBundleProtocolVersion, 1);
        APMPBSetString(bundle.get(), apm_bundle_fields::kBundleAppID, "com.facility.upload-bench");
        APMPBSetString(bundle.get(), apm_bundle_fields::kBundlePlatform, "ios");
        APMPBSetInt32(bundle.get(), apm_bundle_fields::kBundleIndex, b + 1);
        std::vector<std::shared_ptr<APMPBEvent>> events;
        for (int e = 0; e < kEventsPerBundle; ++e) {
          auto event = APMEvent::initWithOrigin("app", true, "bench_event", kStart - 60 + e * 0.1, 0,
                                                Parameters(b * kEventsPerBundle + e, kParameters));
          if (!event) return false;
          events.push_back(event->protoEvent());
        }
        APMPBSetMessageArray(bundle.get(), apm_bundle_fields::kBundleEvents, events);
        APMPBSetInt64(bundle.get(), apm_bundle_fields::kBundleStartTimestamp,
                      static_cast<int64_t>((kStart - 60) * 1000));
        APMPBSetInt64(bundle.get(), apm_bundle_fields::kBundleEndTimestamp, static_cast<int64_t>((kStart - 50) * 1000));
        if (!database.insertBundle(bundle.get(), false, nullptr)) return false;
      }
      return true;
    });
  });
  if (!queued) {
    state.SkipWithError("bundles were not queued");
    return;
  }
  std::vector<double> times;
  for (auto _ : state) {
    double elapsed = 0;
    fixture.onWorker([&] {
      const auto start = std::chrono::steady_clock::now();
      fixture.engine->uploadData();
      elapsed = Millis(std::chrono::steady_clock::now() - start);
    });
    // The refused transfer's one completion has run: the bundles stay queued.
    state.SetIterationTime(elapsed / 1000.0);
    times.push_back(elapsed);
  }
  const double median = Median(times);
  state.counters["median_ms"] = median;
  state.counters["target_met"] = median <= kBodyTargetMillis ? 1 : 0;
}

// ---- Draining raw events to the collector ----

void BM_DrainRawEventsToCollector(benchmark::State& state) {
  testsupport::MeasurementCollector collector;
  if (!collector.start()) {
    state.SkipWithError("the collector did not start");
    return;
  }
  UploadEngine fixture(collector.hostAndPort(), collector.certificateFile());
  if (!fixture.ready() || !fixture.configure({})) {
    state.SkipWithError("engine did not start");
    return;
  }
  std::vector<double> rates;
  for (auto _ : state) {
    state.PauseTiming();
    bool preloaded = false;
    fixture.onWorker([&] {
      auto& engine = *fixture.engine;
      auto metadata = engine.createRawEventMetadataWithUserAttributes({});
      const int64_t fingerprint = apm_64LSBMD5(*metadata->protoBuffer());
      auto& database = *engine.database();
      preloaded = database.performTransaction([&] {
        if (!database.insertIfNotExistsRawEventMetadata(metadata.get(), nullptr)) return false;
        for (int i = 0; i < kDrainEvents; ++i) {
          auto event =
              APMEvent::initWithOrigin("app", true, "bench_event", kStart - 3600 + i * 0.1, 0, Parameters(i, 5));
          if (!event || !database.insertRawEvent(&*event, fingerprint, false, nullptr)) return false;
        }
        return true;
      });
    });
    if (!preloaded) {
      state.SkipWithError("preload failed");
      break;
    }
    state.ResumeTiming();

    const auto start = std::chrono::steady_clock::now();
    fixture.onWorker([&] { fixture.engine->uploadData(); });
    bool drained = false;
    for (int round = 0; round < 10000 && !drained; ++round) {
      fixture.clock->runUntil([&] { return !fixture.engine->network()->hasUploadInProgress(); }, 60);
      fixture.onWorker([&] {
        auto& database = *fixture.engine->database();
        auto queueEmpty = database.isQueuedBundleTableEmpty(nullptr);
        auto rawEmpty = database.isRawEventsTableEmpty(nullptr);
        drained = !fixture.engine->isNetworkRequestPending() && queueEmpty && queueEmpty->numberAsInt64() == 1 &&
                  rawEmpty && rawEmpty->numberAsInt64() == 1;
      });
    }
    const double seconds = Millis(std::chrono::steady_clock::now() - start) / 1000.0;
    state.SetIterationTime(seconds);
    if (!drained) {
      state.SkipWithError("events were left");
      break;
    }
    rates.push_back(kDrainEvents / seconds);
  }
  state.SetItemsProcessed(state.iterations() * kDrainEvents);
  const double median = Median(rates);
  state.counters["median_events_per_s"] = median;
  state.counters["batches"] = static_cast<double>(collector.requests().size());
  state.counters["target_met"] = median >= kDrainTargetEventsPerSecond ? 1 : 0;
}

}  // namespace

BENCHMARK(BM_QueueToRequestBody)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrainRawEventsToCollector)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
