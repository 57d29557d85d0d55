// The engine's remote configuration: the measurement configuration the
// service sends for this app (settings, per-event configuration, data
// controls, consent defaults and delegations, core platform services, the
// DMA-region mark, PSM values and the event-editing program), the URLs of
// the configuration fetch and the upload, and its expiry. An accepted
// configuration is stored in the measurement database, held weakly; a second
// instance on the same database parses it at creation.
//
// Settings: every setting answers its configured value when that parses
// (strict decimal text, locale-independent) and lies within its bounds, else
// its built-in default; the resolved number is cached until the next
// configuration replaces the cache. Experiment flags, when their source has
// a value, answer before the setting is read.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/Value.h"

class APMDatabase;
class APMEClient;
class APMEExperimentObserverDelegate;
class APMEManager;
class APMPEventEditing;

// Answers experiment flags; the default source has no values.
class APMExperimentFlagSource {
 public:
  virtual ~APMExperimentFlagSource() = default;
  virtual std::optional<bool> flagValue(std::string_view name) const;
};

class APMRemoteConfig {
 public:
  // The shared instance without app ID, database or configuration: it
  // answers defaults until the engine installs its own.
  static std::shared_ptr<APMRemoteConfig> defaultInstance();
  // None (logged, 29000 or 29001) without an app ID or a database; else the
  // stored configuration, when there is one, is parsed.
  static std::shared_ptr<APMRemoteConfig> initWithAppID(const std::string& appID,
                                                        const std::shared_ptr<APMDatabase>& database,
                                                        std::shared_ptr<APMEManager> experimentManager);
  // With a configuration it is applied as by updateMeasurementConfig;
  // without one the stored configuration is parsed. An instance without both
  // database and app ID is a default instance.
  static std::shared_ptr<APMRemoteConfig> initWithAppID(
      const std::string& appID, const std::shared_ptr<APMDatabase>& database,
      std::shared_ptr<const APMPBMeasurementConfig> measurementConfig, std::shared_ptr<APMEManager> experimentManager);

  // A default instance of its own (tests and tools that want a fresh cache).
  APMRemoteConfig();
  virtual ~APMRemoteConfig();
  APMRemoteConfig(const APMRemoteConfig&) = delete;
  APMRemoteConfig& operator=(const APMRemoteConfig&) = delete;

  bool isDefaultInstance() const { return isDefaultInstance_; }
  const std::string& appID() const { return appID_; }

  // Validates, stores and applies a configuration (worker queue).
  bool updateMeasurementConfig(std::shared_ptr<const APMPBMeasurementConfig> config);
  void parseRemoteConfigFromMeasurementConfig(const APMPBMeasurementConfig& config);
  std::shared_ptr<APMPBMeasurementConfig> measurementConfigFromDatabase();
  // Empties the caches; keeps the event-editing program.
  void reset();
  std::shared_ptr<const APMPBMeasurementConfig> remoteConfigProto() const;

  // Where the configuration is fetched from; none (29010) without an app
  // instance ID or platform while analytics storage is allowed.
  std::optional<platform::URL> remoteConfigURLWithAppInstanceID(const std::optional<std::string>& appInstanceID,
                                                                const std::optional<std::string>& platformName,
                                                                int64_t SDKVersion, int64_t runtimeVersion) const;
  // Where bundles go: the measurement host, behind the configuration's
  // upload host prefix when that is a well-formed host name; none only when
  // the deployment's host makes no URL.
  std::optional<platform::URL> uploadURL() const;
  static bool isValidUploadHostPrefix(std::string_view prefix);

  double lastRemoteConfigUpdateTimestamp() const;
  bool isExpired() const;
  int64_t version() const;

  // Event configuration by internal name.
  std::shared_ptr<APMPBEventConfig> eventConfigWithName(std::string_view name) const;
  bool isEventBlocklisted(std::string_view name) const;
  bool isEventCustomConversion(std::string_view name) const;
  bool eventHasSamplingRate(std::string_view name) const;
  int32_t samplingRateForEvent(std::string_view name) const;

  std::vector<std::string> dataControls() const;
  std::map<std::string, std::string> consentDefaults() const;
  std::map<std::string, std::string> consentDelegations() const;
  std::set<std::string> corePlatformServices() const;
  bool isDMARegion() const;
  std::shared_ptr<APMPEventEditing> eventEditing() const;

  // Experiments: with a manager this configuration registers as the SDK
  // "app_measurement" (library version, the experiment flags' defaults) and
  // reads those flags from its client; without one there are no IDs and
  // nothing activates.
  static constexpr const char* kExperimentsSDKName = "app_measurement";
  std::vector<int64_t> experimentIDs() const;
  std::shared_ptr<APMEClient> experimentClient() const;
  bool activateNewSnapshot();
  void updateCachedExperimentFlags();
  void clientDidReceiveNewSnapshot(const APMEClient* client);
  void clientDidReceiveFetchError(const APMEClient* client, const APMError& error);
  bool shouldFetchExperimentsForClient(const APMEClient* client) const;

  // Cache: configured texts or resolved numbers by key.
  void cacheValue(const std::optional<platform::Value>& value, std::string_view key);
  std::optional<platform::Value> cachedValue(std::string_view key) const;
  void clearSettingsCache();
  // Replaces the cache with the settings of a configuration (key -> text).
  void setConfiguredSettings(const std::map<std::string, std::string>& settings);

  // Lookup families.
  int32_t intValueFromCacheWithKey(std::string_view key, int32_t defaultValue, int32_t maxValue,
                                   int32_t minValue) const;
  int64_t int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue, int64_t maxValue,
                                     int64_t minValue) const;
  int64_t int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue) const;
  double timeIntervalInSecondsFromCacheWithKey(std::string_view key, double defaultValue, double maxValue,
                                               double minValue) const;
  bool boolValueFromCacheWithKey(std::string_view key, bool defaultValue) const;

  void setExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source);
  void setActivatedExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source);

  // Fixed values.
  int32_t maxPublicEventParameterValueLength() const { return 100; }
  int32_t maxInternalEventParameterValueLength() const { return 256; }
  bool maxPublicEventParamValueLimitFeatureEnabled() const { return false; }

  // Catalogue.
  double uploadingBackoffInterval() const;
  int32_t maxAudienceCount() const;
  int32_t maxFiltersPerAudience() const;
  int32_t maxFilterResultCount() const;
  int32_t maxParametersPerFilter() const;
  double databaseDeleteStaleBundlesInterval() const;
  double maxQueueTime() const;
  double adIDCacheTime() const;
  bool gateIDFAOnATTMASEnabled() const;
  double monitoringSamplePeriod() const;
  bool isNetworkBackgroundSessionEnabled() const;
  double networkTimeout() const;
  double sessionDefaultMinimumInterval() const;
  double sessionDefaultTimeoutInterval() const;
  double sessionEventUserEngagementInterval() const;
  bool efficientEngagementReportingEnabled() const;
  bool redundantEngagementRemovalEnabled() const;
  int32_t maxConversionsPerDay() const;
  int32_t maxEventsPerDay() const;
  int32_t maxPublicEventsPerDay() const;
  int32_t maxErrorEventsPerDay() const;
  int32_t maxTrackedCurrencies() const;
  int32_t maxPublicUserProperties() const;
  int32_t maxEventNameCardinality() const;
  int32_t maxPublicEventParams() const;
  int32_t maxEventsStored() const;
  double uploadingInterval() const;
  double uploadingInitialDelayInterval() const;
  int64_t uploadMaxBundlesLimit() const;
  int64_t uploadMaxEventsPerBundle() const;
  int64_t uploadMaxSizeLimitBytes() const;
  int32_t uploadingRetryCount() const;
  double uploadingRetryInterval() const;
  uint32_t maxBundlesCreatedPerIteration() const;
  int32_t maxRealtimeEventCountPerDay() const;
  double uploadingDebugModeInterval() const;
  double uploadingRealTimeInterval() const;
  bool blocklistInternal() const;
  bool blocklistPublic() const;
  bool isEventSamplingEnabled() const;
  int32_t analyticsAccountTimeZoneOffsetMinutes() const;
  bool checksumEnabled() const;
  bool appBackgroundedEventEnabled() const;
  bool appInBackgroundParameterEnabled() const;
  bool eesFeatureEnabled() const;
  bool itemScopedCustomParameterEnabled() const;
  int32_t maxItemScopedCustomParameters() const;
  bool PSMFeatureEnabled() const;
  int32_t maxPSMStartCount() const;
  int32_t maxPSMRetryCount() const;
  double PSMRetryInterval() const;
  int32_t hashPrefixBitLengthEmail() const;
  int32_t hashPrefixBitLengthPhone() const;
  int32_t maxSignInDelayInDays() const;
  bool isDeferredDeepLinkEnabled() const;
  int32_t maxDeferredDeepLinkRetryCount() const;
  double attributionCacheTTLInterval() const;
  double remoteConfigCacheTimeInterval() const;
  bool isSessionIDEnabled() const;
  bool persistentConfigInApplicationSupportEnabled() const;
  bool sessionStitchingTokenFeatureEnabled() const;
  bool SKANUpdateConversionValueEnabled() const;
  double SKANInitialCVFetchDelay() const;
  double SKANCVFetchRetryInterval() const;
  int32_t SKANCVFetchRetryLimit() const;
  double SKANFirstWindowCVFetchDelay() const;
  double SKANFirstWindowCVFetchRetryInterval() const;
  int32_t SKANFirstWindowCVFetchRetryLimit() const;
  double SKANFirstWindowUploadInterval() const;
  bool consentSignalsG2Enabled() const;
  bool DMAConsentEnabled() const;

 private:
  enum class Kind { kInteger, kSeconds };
  // The resolved number for the key; none for an empty key.
  std::optional<platform::Value> numberFromCacheWithKey(std::string_view key, const platform::Value& defaultValue,
                                                        std::optional<double> maxValue,
                                                        std::optional<double> minValue, Kind kind) const;
  std::optional<bool> experimentFlag(std::string_view name) const;
  std::optional<bool> activatedExperimentFlag(std::string_view name) const;

  // The settings cache: its own lock, replaced whole by reset, so a program
  // keeps reading the cache it was loaded with.
  struct SettingsCache {
    std::mutex mu;
    platform::Value::Dictionary values;
  };
  std::shared_ptr<SettingsCache> settings() const;
  // A fresh event editor with the native modules over this configuration.
  std::shared_ptr<APMPEventEditing> makeEventEditing();

  APMRemoteConfig(std::string appID, const std::shared_ptr<APMDatabase>& database,
                  std::shared_ptr<APMEManager> experimentManager);
  // Registers with the manager, activates the latest stored snapshot and
  // copies its flags; the client's delegate reaches this object weakly.
  void registerWithExperimentManager(const std::shared_ptr<APMRemoteConfig>& self);

  std::string appID_;
  std::weak_ptr<APMDatabase> database_;
  bool isDefaultInstance_ = true;
  std::shared_ptr<APMEManager> experimentManager_;
  std::shared_ptr<APMEClient> experimentClient_;
  std::shared_ptr<APMEExperimentObserverDelegate> experimentObserver_;

  mutable std::mutex mu_;
  std::shared_ptr<SettingsCache> settings_;
  std::shared_ptr<APMExperimentFlagSource> flags_;
  std::shared_ptr<APMExperimentFlagSource> activatedFlags_;
  std::map<std::string, std::shared_ptr<APMPBEventConfig>, std::less<>> eventConfigs_;
  std::shared_ptr<const APMPBMeasurementConfig> remoteConfigProto_;
  std::vector<std::string> dataControls_;
  std::map<std::string, std::string> consentDefaults_;
  std::map<std::string, std::string> consentDelegations_;
  std::set<std::string> corePlatformServices_;
  bool isDMARegion_ = true;
  std::shared_ptr<APMPEventEditing> eventEditing_;
  bool hasNewSnapshot_ = false;
  // The invalid upload host prefix is reported once per parsed configuration.
  mutable bool uploadPrefixReported_ = false;
};
