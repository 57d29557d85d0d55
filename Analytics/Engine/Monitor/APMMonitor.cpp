#include "Analytics/Engine/Monitor/APMMonitor.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <initializer_list>
#include <mutex>

#include "Analytics/Engine/Monitor/APMASLLogger.h"
#include "Analytics/Engine/Monitor/APMMonitoringSampledData.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

constexpr const char* kDebugModeKey = "/trivandel/measurement/debug_mode";
constexpr const char* kVerboseLoggingKey = "/trivandel/measurement/verbose_logging";
constexpr const char* kHealthMonitorKey = "/trivandel/measurement/health_monitor";
constexpr const char* kMigrationStateKey = "/trivandel/measurement/monitor_migration_state";
constexpr const char* kMonitorSuite = "com.trivandel.kvl.measurement.monitor";

bool HasAnyArgument(std::initializer_list<const char*> names) {
  auto& info = platform::ProcessInfo::processInfo();
  for (const char* name : names) {
    if (info.hasArgument(name)) return true;
  }
  return false;
}

}  // namespace

struct APMMonitor::State {
  std::atomic<int64_t> logLevel{6};
  std::shared_ptr<APMASLLogger> logger;
  int64_t libraryVersion = 0;
  std::atomic<bool> debugModeEnabled{false};
  std::atomic<bool> verboseLoggingEnabled{false};
  std::atomic<bool> encodeContexts{false};
  std::atomic<bool> deferToQRVLogger{false};
  mutable std::mutex tagMutex;
  std::string logTag = kAPMDefaultLogTag;
  // Monitor queue only.
  std::unique_ptr<APMUserDefaults> monitorUserDefaults;
  std::unique_ptr<APMMonitoringSampledData> sampledData;

  void migrateMonitorData() {
    APMUserDefaults& standard = APMUserDefaults::standardUserDefaults();
    int64_t migrationState = monitorUserDefaults->integerForKey(kMigrationStateKey);
    if (migrationState == 0) {
      auto old = standard.arrayForKey(kHealthMonitorKey);
      if (old && !monitorUserDefaults->objectForKey(kHealthMonitorKey)) {
        monitorUserDefaults->setObject(platform::Value(*old), kHealthMonitorKey);
      }
      monitorUserDefaults->setInteger(1, kMigrationStateKey);
      monitorUserDefaults->synchronize();
      migrationState = 1;
    }
    if (migrationState == 1) {
      standard.removeObjectForKey(kHealthMonitorKey);
      standard.synchronize();
      monitorUserDefaults->setInteger(2, kMigrationStateKey);
      monitorUserDefaults->synchronize();
    }
  }

  void loadMonitoringData() {
    sampledData = std::make_unique<APMMonitoringSampledData>(
        monitorUserDefaults->objectForKey(kHealthMonitorKey));
  }

  void saveMonitoringData() {
    auto data = sampledData->sampledData();
    if (data) {
      monitorUserDefaults->setObject(*data, kHealthMonitorKey);
    } else {
      monitorUserDefaults->removeObjectForKey(kHealthMonitorKey);
    }
    monitorUserDefaults->synchronize();
  }
};

APMMonitor::APMMonitor(int64_t libraryVersion)
    : APMMonitor(6, std::make_shared<APMASLLogger>(), libraryVersion) {}

APMMonitor::APMMonitor(int64_t logLevel, std::shared_ptr<APMASLLogger> logger,
                       int64_t libraryVersion)
    : state_(std::make_shared<State>()), queue_(platform::DispatchQueue::create("APMMonitorQueue")) {
  state_->logLevel = logLevel;
  state_->logger = logger ? std::move(logger) : std::make_shared<APMASLLogger>();
  state_->libraryVersion = libraryVersion;
  state_->monitorUserDefaults = std::make_unique<APMUserDefaults>(std::string(kMonitorSuite));
  std::weak_ptr<State> weak = state_;
  queue_->async([weak] {
    if (auto state = weak.lock()) {
      state->migrateMonitorData();
      state->loadMonitoringData();
    }
  });

  bool storedDebugMode = APMUserDefaults::standardUserDefaults().boolForKey(kDebugModeKey);
  state_->deferToQRVLogger = HasAnyArgument({"-QRVDebugDisabled", "-QRVDebugEnabled"}) &&
                             platform::ClassRegistry::shared().classExists("QRVConfiguration");
  if (HasAnyArgument({"-noAPMAnalyticsDebugEnabled", "-noQRVAnalyticsDebugEnabled",
                      "-QRVDebugDisabled"})) {
    setDebugModeEnabled(false);
  } else if (storedDebugMode || HasAnyArgument({"-APMAnalyticsDebugEnabled",
                                                "-QRVAnalyticsDebugEnabled", "-QRVDebugEnabled"})) {
    setDebugModeEnabled(true);
  }
  bool storedVerbose = APMUserDefaults::standardUserDefaults().boolForKey(kVerboseLoggingKey);
  if (HasAnyArgument({"-APMAnalyticsVerboseLoggingDisabled", "-QRVAnalyticsVerboseLoggingDisabled"})) {
    setVerboseLoggingEnabled(false);
  } else if (storedVerbose || HasAnyArgument({"-APMAnalyticsVerboseLoggingEnabled",
                                              "-QRVAnalyticsVerboseLoggingEnabled"})) {
    setVerboseLoggingEnabled(true);
  }
}

APMMonitor::~APMMonitor() = default;

void APMMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message) {
  logWithLevel(level, messageCode, message, std::vector<APMLogContext>{});
}

void APMMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                              const APMLogContext& context) {
  logWithLevel(level, messageCode, message, std::vector<APMLogContext>{context});
}

void APMMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                              const APMLogContext& context1, const APMLogContext& context2) {
  logWithLevel(level, messageCode, message, std::vector<APMLogContext>{context1, context2});
}

void APMMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                              const APMLogContext& context1, const APMLogContext& context2,
                              const APMLogContext& context3) {
  logWithLevel(level, messageCode, message,
               std::vector<APMLogContext>{context1, context2, context3});
}

void APMMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                              const std::vector<APMLogContext>& contexts) {
  bool loggable = isLoggableLevel(level);
  bool monitorable = isMonitorableLevel(level);
  if (!loggable && !monitorable) return;
  if (level >= 8 && !state_->verboseLoggingEnabled.load()) return;
  if (loggable) {
    logToConsole(messageCode, stringWithLogMessage(message, level, contexts, state_->encodeContexts.load()),
                 level);
  }
  if (monitorable) {
    std::string encoded = encodedStringWithContextArray(contexts, false);
    std::string extra = errorMonitorContexts(contexts);
    if (!extra.empty()) encoded += "," + extra;
    insertOrUpdateMonitoringData(message, encoded, level);
  }
}

void APMMonitor::logToConsole(int64_t messageCode, const std::string& message, int64_t level) {
  std::weak_ptr<State> weak = state_;
  std::string tag = logTag();
  queue_->async([weak, messageCode, message, level, tag] {
    if (auto state = weak.lock()) state->logger->logMessage(message, tag, messageCode, level);
  });
}

void APMMonitor::insertOrUpdateMonitoringData(std::string_view message,
                                              const std::string& encodedContext, int64_t level) {
  std::string key = monitoringDataKeyWithMessage(message, level, state_->libraryVersion);
  std::weak_ptr<State> weak = state_;
  queue_->async([weak, key, encodedContext] {
    if (auto state = weak.lock()) {
      state->sampledData->insertOrUpdateSampledDataWithKey(key, encodedContext);
      state->saveMonitoringData();
    }
  });
}

int64_t APMMonitor::logLevel() const { return state_->logLevel.load(); }
void APMMonitor::setLogLevel(int64_t level) { state_->logLevel = level; }
bool APMMonitor::isDebugModeEnabled() const { return state_->debugModeEnabled.load(); }

void APMMonitor::setDebugModeEnabled(bool enabled) {
  APMUserDefaults& standard = APMUserDefaults::standardUserDefaults();
  if (enabled) {
    state_->logLevel = 7;
    if (!state_->deferToQRVLogger) platform::TVUSetLoggerLevel(7);
    standard.setBool(true, kDebugModeKey);
    logWithLevel(7, 24000, "Debug mode is on");
  } else {
    state_->logLevel = 6;
    if (!state_->deferToQRVLogger) platform::TVUSetLoggerLevel(5);
    standard.removeObjectForKey(kDebugModeKey);
    logWithLevel(7, 24001, "Debug mode is off");
  }
  state_->debugModeEnabled = enabled;
}

bool APMMonitor::isVerboseLoggingEnabled() const { return state_->verboseLoggingEnabled.load(); }

void APMMonitor::setVerboseLoggingEnabled(bool enabled) {
  APMUserDefaults& standard = APMUserDefaults::standardUserDefaults();
  if (enabled) {
    state_->logLevel = 8;
    if (!state_->deferToQRVLogger) platform::TVUSetLoggerLevel(7);
    standard.setBool(true, kVerboseLoggingKey);
    // The flag goes up before the line so the verbose line itself passes.
    state_->verboseLoggingEnabled = true;
    logWithLevel(8, 24003, "Verbose logging is on");
  } else {
    int64_t level = state_->debugModeEnabled ? 7 : 6;
    state_->logLevel = level;
    if (!state_->deferToQRVLogger) {
      platform::TVUSetLoggerLevel(APMASLLogger::TVULoggerLevelFromLogLevel(level));
    }
    standard.removeObjectForKey(kVerboseLoggingKey);
    state_->verboseLoggingEnabled = false;
  }
}

bool APMMonitor::encodeContexts() const { return state_->encodeContexts.load(); }
void APMMonitor::setEncodeContexts(bool encode) { state_->encodeContexts = encode; }
std::string APMMonitor::logTag() const {
  std::lock_guard<std::mutex> lock(state_->tagMutex);
  return state_->logTag;
}
void APMMonitor::setLogTag(std::string tag) {
  std::lock_guard<std::mutex> lock(state_->tagMutex);
  state_->logTag = std::move(tag);
}
int64_t APMMonitor::libraryVersion() const { return state_->libraryVersion; }

std::optional<std::string> APMMonitor::monitoringDataForDispatchWithSamplePeriod(
    double samplePeriod, double lastSampledTimestamp) {
  std::optional<std::string> result;
  State* state = state_.get();
  queue_->sync([&] {
    result = state->sampledData->monitoringDataForDispatchWithSamplePeriod(samplePeriod,
                                                                          lastSampledTimestamp);
    if (result) state->saveMonitoringData();
  });
  return result;
}

void APMMonitor::clearMonitoringData() {
  State* state = state_.get();
  queue_->sync([state] {
    APMUserDefaults& standard = APMUserDefaults::standardUserDefaults();
    standard.removeObjectForKey(kDebugModeKey);
    standard.removeObjectForKey(kHealthMonitorKey);
    state->monitorUserDefaults->removeObjectForKey(kHealthMonitorKey);
    state->loadMonitoringData();
  });
}

std::optional<platform::Value> APMMonitor::sampledDataForTesting() {
  std::optional<platform::Value> result;
  State* state = state_.get();
  queue_->sync([&] { result = state->sampledData->sampledData(); });
  return result;
}

void APMMonitor::waitForPendingWork() {
  queue_->sync([] {});
}

bool APMMonitor::isLoggableLevel(int64_t level) const {
  return platform::TVUIsLoggableLevel(APMASLLogger::TVULoggerLevelFromLogLevel(level)) &&
         !isSilentLevel(level);
}

std::optional<std::string> APMMonitor::logLevelDescriptionFromLogLevel(int64_t level) {
  if (level >= 0 && level <= 2) return "ERROR";
  if (level >= 3 && level <= 5) return "WARNING";
  if (level == 6) return "NOTICE";
  if (level == 7) return "DEBUG";
  return std::nullopt;
}

bool APMMonitor::isSilentLevel(int64_t level) { return level == 2 || level == 5 || level > 8; }

bool APMMonitor::isMonitorableLevel(int64_t level) {
  return level == 1 || level == 2 || level == 4 || level == 5 || level > 8;
}

std::string APMMonitor::encodedStringWithContextArray(const std::vector<APMLogContext>& contexts,
                                                      bool insertSpaces) {
  std::string out;
  for (size_t i = 0; i < contexts.size(); ++i) {
    if (i > 0) out += insertSpaces ? ", " : ",";
    out += encodedStringWithContextObject(contexts[i]);
  }
  return out;
}

std::string APMMonitor::stringWithLogMessage(std::string_view message, int64_t,
                                             const std::vector<APMLogContext>& contexts,
                                             bool encodeContexts) {
  std::string text;
  if (message.data() == nullptr) {
    text = "(Message was nil)";
  } else if (message.empty()) {
    text = "(Message was empty)";
  } else {
    text = std::string(message);
  }
  if (contexts.empty()) return text;
  if (encodeContexts) return text + ": " + encodedStringWithContextArray(contexts, true);
  std::string joined;
  for (size_t i = 0; i < contexts.size(); ++i) {
    if (i > 0) joined += ", ";
    const APMLogContext& context = contexts[i];
    switch (context.kind()) {
      case APMLogContext::Kind::kNil:
        joined += "(nil)";
        break;
      case APMLogContext::Kind::kException: {
        auto symbol = lastAPMSymbolFromException(context);
        joined += symbol ? *symbol + ": " + context.description() : context.description();
        break;
      }
      default:
        joined += context.description();
    }
  }
  return text + ": " + joined;
}

std::string APMMonitor::encodedStringWithContextObject(const APMLogContext& context) {
  switch (context.kind()) {
    case APMLogContext::Kind::kNil:
      return "";
    case APMLogContext::Kind::kString:
      return "-";
    case APMLogContext::Kind::kNumber: {
      int64_t v = context.longLongValue();
      if (v >= -99 && v <= 99) return std::to_string(v);
      // Magnitude as unsigned, so INT64_MIN has one too; count digits exactly.
      uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
      uint64_t p = 1;
      while (magnitude / p >= 10) p *= 10;
      uint64_t top = p * 10 - 1;  // p <= 10^18, so this fits.
      char buffer[64];
      if (v > 0) {
        std::snprintf(buffer, sizeof buffer, "%" PRIu64 "...%" PRIu64, p, top);
      } else {
        std::snprintf(buffer, sizeof buffer, "-%" PRIu64 "...-%" PRIu64, top, p);
      }
      return buffer;
    }
    case APMLogContext::Kind::kException: {
      auto symbol = lastAPMSymbolFromException(context);
      return symbol ? *symbol : "-";
    }
    case APMLogContext::Kind::kError:
      return context.error().domain().empty() ? "-" : context.error().domain();
    case APMLogContext::Kind::kClass:
    case APMLogContext::Kind::kObject:
      return "?";
  }
  return "?";
}

std::optional<std::string> APMMonitor::lastAPMSymbolFromException(const APMLogContext& exception) {
  if (exception.kind() != APMLogContext::Kind::kException) return std::nullopt;
  const auto& frames = exception.callStackSymbols();
  if (frames.size() < 2) return exception.text();
  for (size_t i = 2; i < frames.size(); ++i) {
    std::vector<std::string> pieces;
    const std::string& line = frames[i];
    size_t pos = 0;
    while (pos < line.size()) {
      while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
      size_t start = pos;
      while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
      if (pos > start) pieces.push_back(line.substr(start, pos - start));
    }
    if (pieces.size() < 5) continue;
    std::string symbol = pieces[4] == "+" ? pieces[3] : pieces[3] + " " + pieces[4];
    std::string lower = symbol;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("apm") != std::string::npos) return symbol;
  }
  return exception.text();
}

std::string APMMonitor::monitoringDataKeyWithMessage(std::string_view message, int64_t level,
                                                     int64_t libraryVersion) {
  char letter = '?';
  if (level >= 0 && level <= 2) letter = 'E';
  if (level >= 3 && level <= 5) letter = 'W';
  std::string version = std::to_string(libraryVersion);
  std::string_view text = message.data() == nullptr ? std::string_view("(null)") : message;
  std::string out;
  out.reserve(4 + version.size() + text.size());
  out.push_back('1');
  out.push_back(letter);
  out.push_back('_');
  out.append(version);
  out.push_back(':');
  out.append(text);
  return out;
}

std::string APMMonitor::errorMonitorContexts(const std::vector<APMLogContext>& contexts) {
  std::string out;
  for (const auto& context : contexts) {
    if (context.kind() != APMLogContext::Kind::kError) continue;
    const APMError& error = context.error();
    if (!error.isMeasurementError() || error.monitorContext().empty()) continue;
    if (!out.empty()) out += ",";
    out += error.monitorContext();
  }
  return out;
}
