#include "ApmSimulation.h"

#include <sqlite3.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMInfoPlistFileUtil.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMPlatformIdentitySupport.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Platform/AdSupport/ASIdentifierManager.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/TrivandelUtilities/TVULogger.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"
#include "tests/support/MeasurementCollector.h"
#include "tests/support/MeasurementConfigBuilder.h"

namespace {

using json = nlohmann::json;
using platform::Status;
using platform::Value;
using testsupport::MeasurementCollector;

constexpr const char* kDefaultAppID = "1:1234567890:ios:00aa11bb22cc";
constexpr double kDefaultStart = 1700000000.0;
// A held reply is waited for this long (real seconds) before the run goes on.
constexpr double kReplyWaitSeconds = 120;
constexpr int kMaxDrainRounds = 50;

// The configuration the internal collector serves: the app ID and the
// scenario's settings.
std::string ConfigurationBody(const std::string& appID,
                              const std::vector<std::pair<std::string, std::string>>& settings) {
  return measurement_config::ConfigBuilder(appID).version(1).settings(settings).bytes();
}

std::optional<APMParameterObject> ParameterValue(const json& value) {
  if (value.is_string()) return APMParameterObject(Value(value.get<std::string>()));
  if (value.is_number_integer()) return APMParameterObject(Value(value.get<int64_t>()));
  if (value.is_number_float() && std::isfinite(value.get<double>())) {
    return APMParameterObject(Value(value.get<double>()));
  }
  return std::nullopt;
}

}  // namespace

struct ApmSimulation::State {
  std::shared_ptr<platform::ManualClock> clock;
  std::unique_ptr<MeasurementCollector> collector;  // none with an outside service
  std::unique_ptr<platform::LogCapture> capture;
  std::size_t linesPrinted = 0;
  std::size_t requestsPrinted = 0;
  std::shared_ptr<std::atomic<bool>> reachable = std::make_shared<std::atomic<bool>>(true);
  std::shared_ptr<platform::NetworkReachabilityManager> reachability;
  std::shared_ptr<APMMeasurement> engine;
};

ApmSimulation::ApmSimulation(std::ostream& out) : out_(out), state_(std::make_unique<State>()) {}

ApmSimulation::~ApmSimulation() {
  if (state_->collector) state_->collector->releaseHeld();
}

Status ApmSimulation::run(const json& scenario) {
  if (!scenario.is_object()) return Status::InvalidArgument("the scenario is not a JSON object");
  Status prepared = prepare(scenario);
  printNewLogLines();
  if (!prepared.ok()) return prepared;
  const json steps = scenario.value("steps", json::array());
  if (!steps.is_array()) return Status::InvalidArgument("steps must be an array");
  for (std::size_t i = 0; i < steps.size(); ++i) {
    out_ << "== step " << i + 1 << ": " << steps[i].dump() << "\n";
    Status status = step(steps[i]);
    printNewLogLines();
    printNewBatches();
    if (!status.ok()) return Status::InvalidArgument("step " + std::to_string(i + 1) + ": " + status.message());
  }
  out_ << "== end\n";
  printRows();
  printNewBatches();
  return Status::OK();
}

Status ApmSimulation::prepare(const json& scenario) {
  const std::string appID = scenario.value("appID", std::string(kDefaultAppID));
  if (appID.empty()) return Status::InvalidArgument("appID must not be empty");
  const json start = scenario.value("start", json(kDefaultStart));
  if (!start.is_number() || !std::isfinite(start.get<double>())) {
    return Status::InvalidArgument("start must be a finite number");
  }
  std::vector<std::pair<std::string, std::string>> settings;
  const json settingsJson = scenario.value("settings", json::object());
  if (!settingsJson.is_object()) return Status::InvalidArgument("settings must be an object");
  for (const auto& [key, value] : settingsJson.items()) {
    if (value.is_string()) {
      settings.emplace_back(key, value.get<std::string>());
    } else if (value.is_number_integer() || value.is_boolean()) {
      settings.emplace_back(key, value.is_boolean() ? (value.get<bool>() ? "1" : "0") : value.dump());
    } else {
      return Status::InvalidArgument("setting " + key + " must be text, an integer or a boolean");
    }
  }

  state_->clock = std::make_shared<platform::ManualClock>(start.get<double>());
  platform::Clock::setCurrent(state_->clock);
  if (!platform::DataRoot::createDirectories().ok()) return Status::IOError("cannot create the data root");
  state_->capture = std::make_unique<platform::LogCapture>(false);

  // The service: the deployment's, else a collector of our own.
  auto& process = platform::ProcessInfo::processInfo();
  const auto deployment = process.environmentValue(platform::Deployment::kEnvironmentVariable);
  if (deployment && !deployment->empty()) {
    out_ << "service: " << platform::Deployment::measurementServiceHost() << " (from the deployment)\n";
  } else {
    state_->collector = std::make_unique<MeasurementCollector>();
    if (!state_->collector->start()) return Status::IOError("the collector did not start");
    MeasurementCollector::Reply config;
    config.status = 200;
    config.body = ConfigurationBody(appID, settings);
    state_->collector->setDefaultReply(MeasurementCollector::Route::kConfig, config);
    const json replies = scenario.value("replies", json::array());
    if (!replies.is_array()) return Status::InvalidArgument("replies must be an array");
    for (const auto& r : replies) {
      if (!r.is_object()) return Status::InvalidArgument("each reply must be an object");
      const std::string route = r.value("route", std::string("upload"));
      if (route != "upload" && route != "config") return Status::InvalidArgument("route must be upload or config");
      MeasurementCollector::Reply reply;
      reply.status = r.value("status", 204);
      reply.hold = r.value("hold", false);
      if (route == "config" && (reply.status == 200 || reply.status == 204)) reply.body = config.body;
      state_->collector->queueReply(
          route == "upload" ? MeasurementCollector::Route::kUpload : MeasurementCollector::Route::kConfig, reply);
    }
    const std::string path = platform::DataRoot::temporaryDirectory() + "/apm-sim-deployment.plist";
    Value::Dictionary values{
        {platform::Deployment::kMeasurementServiceHostKey, Value(state_->collector->hostAndPort())},
        {platform::Deployment::kTrustedCertificatesFileKey, Value(state_->collector->certificateFile())}};
    if (!platform::PropertyList::writeFile(path, Value(values)).ok()) {
      return Status::IOError("cannot write the deployment list");
    }
    process.setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable, path);
    platform::Deployment::resetForTesting();
    out_ << "service: the collector at " << state_->collector->hostAndPort() << "\n";
  }

  // The app around the engine: its bundle, its service file, the identity's
  // platform parts.
  platform::Bundle::main().setInfoDictionaryOverride(Value::Dictionary{
      {"CFBundleIdentifier", Value("com.facility.apm-sim")},
      {"CFBundleShortVersionString", Value("1.0")},
      {"CFBundleVersion", Value("1.0.0")},
  });
  const std::string resources = platform::DataRoot::temporaryDirectory() + "/apm-sim-resources";
  if (!platform::FileManager::defaultManager().createDirectoryAtPath(resources, true).ok() ||
      !platform::PropertyList::writeFile(
           resources + "/" + APMInfoPlistFileUtil::kResourceName + "." + APMInfoPlistFileUtil::kResourceType,
           Value(Value::Dictionary{{"TRIVANDEL_APP_ID", Value(appID)}}))
           .ok()) {
    return Status::IOError("cannot write the service configuration file");
  }
  APMInfoPlistFileUtil::setEngineResourcesBundlePath(resources);
  apptrackingtransparency::RegisterAppTrackingTransparency();
  adsupport::RegisterAdSupport();
  platform::ClassRegistry::shared().registerClass(APMPlatformIdentitySupport::kClassName, [] {
    return std::any(std::shared_ptr<APMIdentitySupport>(std::make_shared<APMPlatformIdentitySupport>()));
  });

  const bool verbose = scenario.value("verbose", false);
  APMMeasurementMonitor().setLogLevel(verbose ? 8 : 7);
  APMMeasurementMonitor().setVerboseLoggingEnabled(verbose);
  platform::TVUSetLoggerLevel(platform::kTVULoggerLevelDebug);

  // Reachability follows the scenario's "reachable" steps.
  auto reachable = state_->reachable;
  auto* state = state_.get();
  platform::NetworkReachabilityManager::setFactory([reachable, state] {
    auto manager = std::make_shared<platform::NetworkReachabilityManager>([reachable] {
      return reachable->load() ? platform::ReachabilityStatus::kReachableEthernetOrWiFi
                               : platform::ReachabilityStatus::kNotReachable;
    });
    state->reachability = manager;
    return manager;
  });

  APMMeasurement::initializeSharedInstanceWithAppID(appID, true, false, {});
  state_->engine = APMMeasurement::sharedInstance();
  if (!state_->engine) return Status::FailedPrecondition("the engine was not created");
  // The start runs on the worker queue; its first vendor-ID read needs the main loop.
  if (!state_->clock->runUntil([] { return APMEngineHooks::engineIsEnabled(); }, 30)) {
    return Status::FailedPrecondition("the engine did not start");
  }
  state_->clock->runUntilIdle();
  out_ << "engine: started for " << appID << "\n";
  return Status::OK();
}

Status ApmSimulation::step(const json& step) {
  if (!step.is_object()) return Status::InvalidArgument("a step must be an object");
  auto& engine = *state_->engine;
  if (step.contains("log")) {
    if (!step["log"].is_string()) return Status::InvalidArgument("log names an event");
    const std::string name = step["log"].get<std::string>();
    APMParameterObjects parameters;
    const json given = step.value("parameters", json::object());
    if (!given.is_object()) return Status::InvalidArgument("parameters must be an object");
    for (const auto& [key, value] : given.items()) {
      auto parameter = ParameterValue(value);
      if (!parameter) return Status::InvalidArgument("parameter " + key + " must be text or a finite number");
      parameters.emplace(key, std::move(*parameter));
    }
    const bool isPublic = !name.empty() && name[0] != '_';
    engine.logEvent(
        APMEvent::initWithOrigin("app", isPublic, name, platform::Clock::nowSeconds(), 0, std::move(parameters)));
    state_->clock->runUntilIdle();
    return Status::OK();
  }
  if (step.contains("advance")) {
    if (!step["advance"].is_number() || !(step["advance"].get<double>() >= 0) ||
        !std::isfinite(step["advance"].get<double>())) {
      return Status::InvalidArgument("advance takes a finite number of seconds, not negative");
    }
    state_->clock->runFor(step["advance"].get<double>());
    quiet();
    return Status::OK();
  }
  if (step.contains("upload")) {
    std::weak_ptr<APMMeasurement> weak = state_->engine;
    engine.scheduler()->scheduleOnWorkerQueueBlockID("ApmSimulation:1", [weak] {
      if (auto self = weak.lock()) self->uploadData();
    });
    quiet();
    return Status::OK();
  }
  if (step.contains("drain")) {
    return drain() ? Status::OK() : Status::FailedPrecondition("the queue did not drain");
  }
  if (step.contains("reachable")) {
    if (!step["reachable"].is_boolean()) return Status::InvalidArgument("reachable takes true or false");
    const bool reachable = step["reachable"].get<bool>();
    state_->reachable->store(reachable);
    if (state_->reachability) {
      state_->reachability->inject(reachable ? platform::ReachabilityStatus::kReachableEthernetOrWiFi
                                             : platform::ReachabilityStatus::kNotReachable);
    }
    state_->clock->runUntil([&] { return engine.network()->isNetworkConnected() == reachable; }, 10);
    state_->clock->runUntilIdle();
    return Status::OK();
  }
  if (step.contains("consent")) {
    if (!step["consent"].is_object()) return Status::InvalidArgument("consent takes an object");
    APMConsentSettingsUtil::Settings settings;
    for (const auto& [type, status] : step["consent"].items()) {
      if (!status.is_string()) return Status::InvalidArgument("consent " + type + " must be text");
      settings[type] = Value(status.get<std::string>());
    }
    APMConsentSettingsUtil::setConsentSettings(settings);
    state_->clock->runUntilIdle();
    return Status::OK();
  }
  if (step.contains("rows")) {
    printRows();
    return Status::OK();
  }
  return Status::InvalidArgument("unknown step");
}

bool ApmSimulation::quiet() {
  auto& clock = *state_->clock;
  auto engine = state_->engine;
  for (int round = 0; round < kMaxDrainRounds; ++round) {
    if (!clock.runUntil([&] { return !engine->network()->hasUploadInProgress(); }, kReplyWaitSeconds)) {
      out_ << "no reply within " << kReplyWaitSeconds << " s\n";
      return false;
    }
    clock.runUntilIdle();
    // The engine's flag is read on its worker queue; the main loop turns meanwhile.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    auto pending = std::make_shared<std::atomic<bool>>(false);
    engine->scheduler()->scheduleOnWorkerQueueBlockID("ApmSimulation:2", [engine, answered, pending] {
      pending->store(engine->isNetworkRequestPending());
      answered->store(true);
    });
    clock.runUntil([&] { return answered->load(); }, 30);
    if (!pending->load()) return true;
  }
  return false;
}

bool ApmSimulation::drain() {
  const std::string path = APMMeasurementPath(APMDatabase::kDatabaseName);
  auto remaining = [&path]() -> int64_t {
    sqlite3* db = nullptr;
    int64_t rows = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(db, 5000);
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT (SELECT count(*) FROM queue) + (SELECT count(*) FROM raw_events)", -1,
                             &statement, nullptr) == SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW) {
        rows = sqlite3_column_int64(statement, 0);
      }
      sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
  };
  for (int round = 0; round < kMaxDrainRounds; ++round) {
    if (!quiet()) return false;
    if (remaining() == 0) return true;
    std::weak_ptr<APMMeasurement> weak = state_->engine;
    state_->engine->scheduler()->scheduleOnWorkerQueueBlockID("ApmSimulation:3", [weak] {
      if (auto self = weak.lock()) self->uploadData();
    });
    printNewLogLines();
    printNewBatches();
  }
  return false;
}

void ApmSimulation::printNewLogLines() {
  if (!state_->capture) return;
  APMMeasurementMonitor().waitForPendingWork();
  const auto lines = state_->capture->lines();
  for (std::size_t i = state_->linesPrinted; i < lines.size(); ++i) out_ << "log: " << lines[i] << "\n";
  state_->linesPrinted = lines.size();
}

void ApmSimulation::printNewBatches() {
  if (!state_->collector) return;
  const auto requests = state_->collector->requests();
  for (std::size_t i = state_->requestsPrinted; i < requests.size(); ++i) {
    const auto& request = requests[i];
    if (request.route == MeasurementCollector::Route::kConfig) {
      out_ << "request " << i + 1 << ": configuration fetch " << request.target << "\n";
      continue;
    }
    if (request.route != MeasurementCollector::Route::kUpload) {
      out_ << "request " << i + 1 << ": " << request.method << " " << request.target << "\n";
      continue;
    }
    out_ << "request " << i + 1 << ": upload of " << request.body.size() << " bytes\n";
    if (request.batch) {
      out_ << testsupport::MeasurementBatchReader::describe(*request.batch);
    } else {
      out_ << "  does not read as a batch: " << request.batchError << "\n";
    }
  }
  state_->requestsPrinted = requests.size();
}

void ApmSimulation::printRows() {
  const std::string path = APMMeasurementPath(APMDatabase::kDatabaseName);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    out_ << "rows: the database does not open\n";
    sqlite3_close(db);
    return;
  }
  sqlite3_busy_timeout(db, 5000);
  auto dump = [&](const char* title, const char* query) {
    out_ << "rows: " << title << "\n";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, query, -1, &statement, nullptr) != SQLITE_OK) {
      out_ << "  (" << sqlite3_errmsg(db) << ")\n";
      return;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
      out_ << " ";
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        out_ << " " << sqlite3_column_name(statement, c) << "="
             << (text == nullptr ? "NULL" : reinterpret_cast<const char*>(text));
      }
      out_ << "\n";
    }
    sqlite3_finalize(statement);
  };
  dump("raw_events", "SELECT rowid, name, timestamp, is_realtime FROM raw_events ORDER BY rowid");
  dump("queue", "SELECT rowid, bundle_end_timestamp, is_realtime, retry_count FROM queue ORDER BY rowid");
  sqlite3_close(db);
}
