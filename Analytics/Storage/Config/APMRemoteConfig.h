// The engine's remote configuration: here the settings cache and the
// catalogue of remote settings. Every setting answers its configured value
// when that parses (strict decimal text, locale-independent) and lies within
// its bounds, else its built-in default; the resolved number is cached until
// the next configuration replaces the cache. Experiment flags, when their
// source has a value, answer before the setting is read.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

// Answers experiment flags; the default source has no values.
class APMExperimentFlagSource {
 public:
  virtual ~APMExperimentFlagSource() = default;
  virtual std::optional<bool> flagValue(std::string_view name) const;
};

class APMRemoteConfig {
 public:
  APMRemoteConfig();
  virtual ~APMRemoteConfig() = default;
  APMRemoteConfig(const APMRemoteConfig&) = delete;
  APMRemoteConfig& operator=(const APMRemoteConfig&) = delete;

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

  mutable std::mutex mu_;
  mutable platform::Value::Dictionary cache_;
  std::shared_ptr<APMExperimentFlagSource> flags_;
  std::shared_ptr<APMExperimentFlagSource> activatedFlags_;
};
