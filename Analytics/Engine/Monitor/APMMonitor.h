// The engine's one logging and health-monitoring object. Every component
// logs through it with a level (0-2 error, 3-5 warning, 6 notice, 7 debug,
// 8 verbose), a numeric message code and a fixed message text with up to
// three context objects. Loggable lines go to the console through the log
// adapter; monitorable ones are sampled into the health record that travels
// with the bundles. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Platform/Foundation/Value.h"

class APMASLLogger;
namespace platform {
class DispatchQueue;
}

inline constexpr const char* kAPMDefaultLogTag = "<VurAvizivozora>";

class APMMonitor {
 public:
  // Level 6 with a new log adapter.
  explicit APMMonitor(int64_t libraryVersion);
  APMMonitor(int64_t logLevel, std::shared_ptr<APMASLLogger> logger, int64_t libraryVersion);
  ~APMMonitor();
  APMMonitor(const APMMonitor&) = delete;
  APMMonitor& operator=(const APMMonitor&) = delete;

  // A message whose data() is null (a default std::string_view) counts as
  // missing and is shown as "(Message was nil)".
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context1, const APMLogContext& context2);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context1, const APMLogContext& context2,
                    const APMLogContext& context3);
  // The one entry that does the work.
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const std::vector<APMLogContext>& contexts);

  int64_t logLevel() const;
  void setLogLevel(int64_t level);
  bool isDebugModeEnabled() const;
  void setDebugModeEnabled(bool enabled);
  bool isVerboseLoggingEnabled() const;
  void setVerboseLoggingEnabled(bool enabled);
  bool encodeContexts() const;
  void setEncodeContexts(bool encode);
  std::string logTag() const;
  void setLogTag(std::string tag);
  int64_t libraryVersion() const;

  // Takes the health record out when its sample period has run out
  // (synchronous on the monitor queue); nullopt when nothing is due.
  std::optional<std::string> monitoringDataForDispatchWithSamplePeriod(double samplePeriod,
                                                                      double lastSampledTimestamp);
  // Removes the stored debug switch and the health record (synchronous).
  void clearMonitoringData();
  // The current health record as stored (empty when none); synchronous.
  std::optional<platform::Value> sampledDataForTesting();
  // Waits until every write queued so far has run.
  void waitForPendingWork();

  bool isLoggableLevel(int64_t level) const;

  // Level tables.
  static std::optional<std::string> logLevelDescriptionFromLogLevel(int64_t level);
  static bool isSilentLevel(int64_t level);
  static bool isMonitorableLevel(int64_t level);

  // Context and line formatting.
  static std::string encodedStringWithContextArray(const std::vector<APMLogContext>& contexts,
                                                   bool insertSpaces);
  static std::string stringWithLogMessage(std::string_view message, int64_t level,
                                          const std::vector<APMLogContext>& contexts,
                                          bool encodeContexts);
  static std::string encodedStringWithContextObject(const APMLogContext& context);
  static std::optional<std::string> lastAPMSymbolFromException(const APMLogContext& exception);
  static std::string monitoringDataKeyWithMessage(std::string_view message, int64_t level,
                                                  int64_t libraryVersion);
  // The monitor contexts of the measurement-domain errors among the contexts, joined by ",".
  static std::string errorMonitorContexts(const std::vector<APMLogContext>& contexts);

  struct State;

 private:
  void logToConsole(int64_t messageCode, const std::string& message, int64_t level);
  void insertOrUpdateMonitoringData(std::string_view message, const std::string& encodedContext,
                                    int64_t level);

  std::shared_ptr<State> state_;
  // Declared last so it is destroyed first: its queued blocks finish while
  // the state they reach is still alive.
  std::shared_ptr<platform::DispatchQueue> queue_;
};
