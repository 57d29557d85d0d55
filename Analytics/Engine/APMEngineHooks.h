// Seams through which the storage and utility layers reach engine services
// that are built later (the facade, the engine's remote configuration, the
// screen reporter). Each hook has a safe default until the engine installs
// its own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMEvent.h"

class APMRemoteConfig;

class APMEngineHooks {
 public:
  using InternalEventLogger =
      std::function<void(const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters)>;

  // The facade's internal event entry (error events); default drops them.
  static void setInternalEventLogger(InternalEventLogger logger);
  static void logInternalEvent(const std::string& origin, const std::string& name,
                               const APMEvent::Parameters& parameters);
  // The same entry at a given time (seconds since 1970), for events that
  // happened before they are handed on; without one installed, the entry
  // above takes them (stamped when handed on).
  using TimedInternalEventLogger = std::function<void(const std::string& origin, const std::string& name,
                                                      double timestamp, const APMEvent::Parameters& parameters)>;
  static void setTimedInternalEventLogger(TimedInternalEventLogger logger);
  static void logInternalEvent(const std::string& origin, const std::string& name, double timestamp,
                               const APMEvent::Parameters& parameters);

  // The engine's deletion of the purchase fingerprints of a batch that was
  // dropped after they were stored; default: none installed.
  using PurchaseFingerprintsForgetter = std::function<void(const std::vector<std::string>& fingerprints)>;
  static void setPurchaseFingerprintsForgetter(PurchaseFingerprintsForgetter forgetter);
  // False (nothing done) when no forgetter is installed.
  static bool forgetPurchaseFingerprints(const std::vector<std::string>& fingerprints);

  // The engine's remote configuration; default: the shared default instance.
  static void setRemoteConfigProvider(std::function<std::shared_ptr<APMRemoteConfig>()> provider);
  static std::shared_ptr<APMRemoteConfig> remoteConfig();
  // True once the engine installed its remote configuration.
  static bool hasRemoteConfigProvider();

  // The app state; default: the shared screen-view reporter's.
  static void setAppActiveProvider(std::function<bool()> provider);
  static bool isAppActive();

  // Automatic screen reporting of the screen reporter; default: off.
  static void setAutomaticScreenReportingEnabled(bool enabled);
  static bool automaticScreenReportingEnabled();

  // Whether persisted configuration lives under Application Support (default off).
  static void setPersistentConfigInApplicationSupportEnabled(bool enabled);
  static bool persistentConfigInApplicationSupportEnabled();

  // What the engine reports of itself. Read without a hop onto its worker
  // queue; default: no engine.
  struct EngineState {
    bool exists = false;
    bool componentsInitialized = false;
    bool enabled = false;
  };
  static void setEngineState(EngineState state);
  static EngineState engineState();
  static bool engineExists();
  // Exists and has initialised its components.
  static bool engineHasInitializedComponents();
  // Exists and is enabled.
  static bool engineIsEnabled();

  // The facade's reset of analytics data and its user-property entry. Every
  // call is recorded; a handler, when set, runs after the record.
  static void setResetAnalyticsDataHandler(std::function<void()> handler);
  static void resetAnalyticsData();
  static int resetAnalyticsDataCallCount();
  using UserPropertyHandler = std::function<void(const std::optional<std::string>& value, const std::string& name)>;
  static void setUserPropertyStringHandler(UserPropertyHandler handler);
  static void setUserPropertyString(const std::optional<std::string>& value, const std::string& name);
  // (value, name) of every call, oldest first.
  static std::vector<std::pair<std::optional<std::string>, std::string>> userPropertyStringCalls();

  // Back to the defaults (tests).
  static void reset();
};
