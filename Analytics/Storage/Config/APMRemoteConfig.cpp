#include "Analytics/Storage/Config/APMRemoteConfig.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

// Parses strict decimal text without white space or locale: an integer that
// fits stays exact, anything else becomes a double.
std::optional<platform::Value> ParseNumber(const std::string& text) {
  if (!APMIsDecimalNumberString(text)) return std::nullopt;
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  const char* end = text.data() + text.size();
  int64_t integer = 0;
  auto [ptr, ec] = std::from_chars(begin, end, integer);
  if (ec == std::errc() && ptr == end) return platform::Value(integer);
  double number = 0;
  std::string normalized(begin, end);
  if (normalized.back() == '.') normalized.pop_back();
  if (normalized.empty() || normalized == "-") return std::nullopt;
  auto [ptr2, ec2] = std::from_chars(normalized.data(), normalized.data() + normalized.size(), number);
  if (ec2 != std::errc() || ptr2 != normalized.data() + normalized.size() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return platform::Value(number);
}

int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

template <typename T>
T ToWidth(const platform::Value& value) {
  if (value.isDouble()) {
    int64_t truncated = Truncate(*value.getDouble());
    return static_cast<T>(std::clamp<int64_t>(truncated, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
  }
  int64_t integer = value.numberAsInt64().value_or(0);
  return static_cast<T>(std::clamp<int64_t>(integer, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

}  // namespace

std::optional<bool> APMExperimentFlagSource::flagValue(std::string_view) const { return std::nullopt; }

APMRemoteConfig::APMRemoteConfig()
    : flags_(std::make_shared<APMExperimentFlagSource>()),
      activatedFlags_(std::make_shared<APMExperimentFlagSource>()) {}

void APMRemoteConfig::cacheValue(const std::optional<platform::Value>& value, std::string_view key) {
  if (!value || value->isNull() || key.empty()) {
    APMMeasurementMonitor().logWithLevel(5, 29019, "Cannot cache empty configuration value");
    return;
  }
  std::lock_guard<std::mutex> lock(mu_);
  cache_[std::string(key)] = *value;
}

std::optional<platform::Value> APMRemoteConfig::cachedValue(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = cache_.find(key);
  if (it == cache_.end()) return std::nullopt;
  return it->second;
}

void APMRemoteConfig::clearSettingsCache() {
  std::lock_guard<std::mutex> lock(mu_);
  cache_.clear();
}

void APMRemoteConfig::setConfiguredSettings(const std::map<std::string, std::string>& settings) {
  std::lock_guard<std::mutex> lock(mu_);
  cache_.clear();
  for (const auto& [key, text] : settings) {
    if (!key.empty()) cache_[key] = platform::Value(text);
  }
}

void APMRemoteConfig::setExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source) {
  std::lock_guard<std::mutex> lock(mu_);
  flags_ = source ? std::move(source) : std::make_shared<APMExperimentFlagSource>();
}

void APMRemoteConfig::setActivatedExperimentFlagSource(std::shared_ptr<APMExperimentFlagSource> source) {
  std::lock_guard<std::mutex> lock(mu_);
  activatedFlags_ = source ? std::move(source) : std::make_shared<APMExperimentFlagSource>();
}

std::optional<bool> APMRemoteConfig::experimentFlag(std::string_view name) const {
  std::shared_ptr<APMExperimentFlagSource> source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = flags_;
  }
  return source->flagValue(name);
}

std::optional<bool> APMRemoteConfig::activatedExperimentFlag(std::string_view name) const {
  std::shared_ptr<APMExperimentFlagSource> source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = activatedFlags_;
  }
  return source->flagValue(name);
}

std::optional<platform::Value> APMRemoteConfig::numberFromCacheWithKey(std::string_view key,
                                                                       const platform::Value& defaultValue,
                                                                       std::optional<double> maxValue,
                                                                       std::optional<double> minValue,
                                                                       Kind kind) const {
  if (key.empty()) {
    APMMeasurementMonitor().logWithLevel(7, 29020, "Cannot get setting with empty key from cache");
    return std::nullopt;
  }
  std::lock_guard<std::mutex> lock(mu_);
  auto it = cache_.find(key);
  if (it == cache_.end()) {
    cache_[std::string(key)] = defaultValue;
    return defaultValue;
  }
  if (it->second.isNumber()) return it->second;
  if (!it->second.isString()) {
    APMMeasurementMonitor().logWithLevel(2, 29018, "Cannot parse number from non-string");
    return std::nullopt;
  }
  platform::Value result = defaultValue;
  if (auto parsed = ParseNumber(*it->second.getString())) {
    if (kind == Kind::kSeconds) {
      int64_t millis = parsed->isDouble() ? Truncate(*parsed->getDouble()) : *parsed->getInt();
      parsed = platform::Value(static_cast<double>(millis) / 1000.0);
    }
    double number = parsed->numberAsDouble().value_or(0);
    bool inRange = !(minValue && number < *minValue) && !(maxValue && number > *maxValue);
    if (inRange) result = *parsed;
  }
  it->second = result;
  return result;
}

int32_t APMRemoteConfig::intValueFromCacheWithKey(std::string_view key, int32_t defaultValue, int32_t maxValue,
                                                  int32_t minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), maxValue, minValue, Kind::kInteger);
  return number ? ToWidth<int32_t>(*number) : 0;
}

int64_t APMRemoteConfig::int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue, int64_t maxValue,
                                                    int64_t minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), static_cast<double>(maxValue),
                                       static_cast<double>(minValue), Kind::kInteger);
  return number ? ToWidth<int64_t>(*number) : 0;
}

int64_t APMRemoteConfig::int64ValueFromCacheWithKey(std::string_view key, int64_t defaultValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), std::nullopt, std::nullopt, Kind::kInteger);
  return number ? ToWidth<int64_t>(*number) : 0;
}

double APMRemoteConfig::timeIntervalInSecondsFromCacheWithKey(std::string_view key, double defaultValue,
                                                              double maxValue, double minValue) const {
  auto number = numberFromCacheWithKey(key, platform::Value(defaultValue), maxValue, minValue, Kind::kSeconds);
  return number ? number->numberAsDouble().value_or(0) : 0;
}

bool APMRemoteConfig::boolValueFromCacheWithKey(std::string_view key, bool defaultValue) const {
  return intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0) == 1;
}

double APMRemoteConfig::uploadingBackoffInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.backoff_period", 43200, 604800, 3600);
}

int32_t APMRemoteConfig::maxAudienceCount() const {
  return intValueFromCacheWithKey("measurement.audience.max_count", 100, 500, 0);
}

int32_t APMRemoteConfig::maxFiltersPerAudience() const {
  return intValueFromCacheWithKey("measurement.audience.filter_max_count_per_audience", 10, 100, 0);
}

int32_t APMRemoteConfig::maxFilterResultCount() const {
  return intValueFromCacheWithKey("measurement.audience.filter_result_max_count", 200, 2000, 0);
}

int32_t APMRemoteConfig::maxParametersPerFilter() const {
  return intValueFromCacheWithKey("measurement.audience.parameter_max_count_filter", 25, 250, 0);
}

double APMRemoteConfig::databaseDeleteStaleBundlesInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.stale_data_deletion_interval", 86400, 604800, 3600);
}

double APMRemoteConfig::maxQueueTime() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_queue_time", 2419200, 7862400, 604800);
}

double APMRemoteConfig::adIDCacheTime() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.ad_id_cache_time", 1, 86400, 0);
}

bool APMRemoteConfig::gateIDFAOnATTMASEnabled() const { return boolValueFromCacheWithKey("measurement.attmas_gate", false); }

double APMRemoteConfig::monitoringSamplePeriod() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.monitoring.sample_period_millis", 86400, 604800, 0);
}

bool APMRemoteConfig::isNetworkBackgroundSessionEnabled() const {
  if (auto flag = experimentFlag("network_background_session_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.network.background_session_enabled", false);
}

double APMRemoteConfig::networkTimeout() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.network.network_timeout", 60, 3600, 30);
}

double APMRemoteConfig::sessionDefaultMinimumInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_minimum_interval", 10, 86400, 0);
}

double APMRemoteConfig::sessionDefaultTimeoutInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_timeout_interval", 1800, 86400, 0);
}

double APMRemoteConfig::sessionEventUserEngagementInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.event_user_engagement_interval", 3600, 86400, 0);
}

bool APMRemoteConfig::efficientEngagementReportingEnabled() const {
  if (auto flag = experimentFlag("efficient_engagement_reporting_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.collection.efficient_engagement_reporting_enabled", false);
}

bool APMRemoteConfig::redundantEngagementRemovalEnabled() const {
  if (auto flag = experimentFlag("redundant_engagement_removal_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.collection.redundant_engagement_removal_enabled", false);
}

int32_t APMRemoteConfig::maxConversionsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_conversions_per_day", 10000, 1000000, 0);
}

int32_t APMRemoteConfig::maxEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_events_per_day", 100000, 1000000, 0);
}

int32_t APMRemoteConfig::maxPublicEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_events_per_day", 50000, 1000000, 0);
}

int32_t APMRemoteConfig::maxErrorEventsPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_error_events_per_day", 1000, 1000000, 0);
}

int32_t APMRemoteConfig::maxTrackedCurrencies() const {
  return intValueFromCacheWithKey("measurement.lifetimevalue.max_currency_tracked", 4, 100, 1);
}

int32_t APMRemoteConfig::maxPublicUserProperties() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_user_properties", 25, 100, 25);
}

int32_t APMRemoteConfig::maxEventNameCardinality() const {
  return intValueFromCacheWithKey("measurement.upload.max_event_name_cardinality", 500, 2000, 500);
}

int32_t APMRemoteConfig::maxPublicEventParams() const {
  return intValueFromCacheWithKey("measurement.upload.max_public_event_params", 25, 100, 25);
}

int32_t APMRemoteConfig::maxEventsStored() const {
  return intValueFromCacheWithKey("measurement.store.max_stored_events_per_app", 100000, 1000000, 0);
}

double APMRemoteConfig::uploadingInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.interval", 3600, 86400, 15);
}

double APMRemoteConfig::uploadingInitialDelayInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.initial_upload_delay_time", 15, 86400, 1);
}

int64_t APMRemoteConfig::uploadMaxBundlesLimit() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_bundles", 100, 10000, 1);
}

int64_t APMRemoteConfig::uploadMaxEventsPerBundle() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_events_per_bundle", 1000, 1000000, 1);
}

int64_t APMRemoteConfig::uploadMaxSizeLimitBytes() const {
  return int64ValueFromCacheWithKey("measurement.upload.max_batch_size", 65536, 10485760, 0);
}

int32_t APMRemoteConfig::uploadingRetryCount() const {
  return intValueFromCacheWithKey("measurement.upload.retry_count", 6, 24, 1);
}

double APMRemoteConfig::uploadingRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.retry_time", 1800, 86400, 60);
}

uint32_t APMRemoteConfig::maxBundlesCreatedPerIteration() const {
  return static_cast<uint32_t>(timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_bundles_created_per_iteration", 100, 10000, 1));
}

int32_t APMRemoteConfig::maxRealtimeEventCountPerDay() const {
  return intValueFromCacheWithKey("measurement.upload.max_realtime_events_per_day", 10, 10, 0);
}

double APMRemoteConfig::uploadingDebugModeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.debug_upload_interval", 1, 15, 1);
}

double APMRemoteConfig::uploadingRealTimeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.realtime_upload_interval", 10, 15, 10);
}

bool APMRemoteConfig::blocklistInternal() const { return boolValueFromCacheWithKey("measurement.upload.blacklist_internal", false); }

bool APMRemoteConfig::blocklistPublic() const { return boolValueFromCacheWithKey("measurement.upload.blacklist_public", false); }

bool APMRemoteConfig::isEventSamplingEnabled() const { return boolValueFromCacheWithKey("measurement.event_sampling_enabled", false); }

int32_t APMRemoteConfig::analyticsAccountTimeZoneOffsetMinutes() const {
  return intValueFromCacheWithKey("measurement.account.time_zone_offset_minutes", 0, 900, -900);
}

bool APMRemoteConfig::checksumEnabled() const { return boolValueFromCacheWithKey("measurement.quality.checksum", false); }

bool APMRemoteConfig::appBackgroundedEventEnabled() const { return boolValueFromCacheWithKey("measurement.lifecycle.app_backgrounded_tracking", false); }

bool APMRemoteConfig::appInBackgroundParameterEnabled() const { return boolValueFromCacheWithKey("measurement.lifecycle.app_in_background_parameter", true); }

bool APMRemoteConfig::eesFeatureEnabled() const { return boolValueFromCacheWithKey("measurement.ees_feature_enabled", true); }

bool APMRemoteConfig::itemScopedCustomParameterEnabled() const { return boolValueFromCacheWithKey("measurement.item_scoped_custom_parameter_enabled", true); }

int32_t APMRemoteConfig::maxItemScopedCustomParameters() const {
  return intValueFromCacheWithKey("measurement.upload.max_item_scoped_custom_parameters", 27, 35, 10);
}

bool APMRemoteConfig::PSMFeatureEnabled() const { return boolValueFromCacheWithKey("measurement.psm_enabled", true); }

int32_t APMRemoteConfig::maxPSMStartCount() const {
  if (APMMeasurementMonitor().isDebugModeEnabled()) return 10;
  return intValueFromCacheWithKey("measurement.psm_start_count", 3, 10, 0);
}

int32_t APMRemoteConfig::maxPSMRetryCount() const {
  return intValueFromCacheWithKey("measurement.psm_retry_count", 5, 10, 0);
}

double APMRemoteConfig::PSMRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.psm_retry_interval", 300, 1800, 30);
}

int32_t APMRemoteConfig::hashPrefixBitLengthEmail() const {
  return intValueFromCacheWithKey("measurement.psm_prefix_email", 14, 20, 6);
}

int32_t APMRemoteConfig::hashPrefixBitLengthPhone() const {
  return intValueFromCacheWithKey("measurement.psm_prefix_phone", 11, 18, 6);
}

int32_t APMRemoteConfig::maxSignInDelayInDays() const {
  return intValueFromCacheWithKey("measurement.psm_signin_delay", 60, 90, 7);
}

bool APMRemoteConfig::isDeferredDeepLinkEnabled() const { return boolValueFromCacheWithKey("measurement.ddl.enabled", true); }

int32_t APMRemoteConfig::maxDeferredDeepLinkRetryCount() const {
  return intValueFromCacheWithKey("measurement.ddl.retry_count", 5, 10, 0);
}

double APMRemoteConfig::attributionCacheTTLInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.attribution.cache.ttl", 604800, 2592000, 86400);
}

double APMRemoteConfig::remoteConfigCacheTimeInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.config.cache_time", 3600, 86400, 60);
}

bool APMRemoteConfig::isSessionIDEnabled() const { return boolValueFromCacheWithKey("measurement.api.session_id", true); }

bool APMRemoteConfig::persistentConfigInApplicationSupportEnabled() const {
  if (auto flag = experimentFlag("persistent_config_in_application_support_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.persistent_config_in_application_support_enabled", false);
}

bool APMRemoteConfig::sessionStitchingTokenFeatureEnabled() const {
  if (auto flag = experimentFlag("session_stitching_token_feature_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.session_stitching_token_enabled", false);
}

bool APMRemoteConfig::SKANUpdateConversionValueEnabled() const {
  if (auto flag = experimentFlag("skan_update_conversion_value_feature_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.skan.update_conversion_value_enabled", false);
}

double APMRemoteConfig::SKANInitialCVFetchDelay() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.initial_cv_fetch_delay_sec", 120, 3600, 30);
}

double APMRemoteConfig::SKANCVFetchRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.cv_fetch_retry_interval_sec", 120, 3600, 30);
}

int32_t APMRemoteConfig::SKANCVFetchRetryLimit() const {
  return intValueFromCacheWithKey("measurement.skan.cv_fetch_retry_limit", 4, 10, 1);
}

double APMRemoteConfig::SKANFirstWindowCVFetchDelay() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.initial_cv_fetch_delay_sec", 20, 3600, 1);
}

double APMRemoteConfig::SKANFirstWindowCVFetchRetryInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.cv_fetch_retry_interval_sec", 120, 3600, 30);
}

int32_t APMRemoteConfig::SKANFirstWindowCVFetchRetryLimit() const {
  return intValueFromCacheWithKey("measurement.skan.first_window.cv_fetch_retry_limit", 4, 10, 1);
}

double APMRemoteConfig::SKANFirstWindowUploadInterval() const {
  return timeIntervalInSecondsFromCacheWithKey("measurement.skan.first_window.upload_interval_sec", 1800, 86400, 15);
}

bool APMRemoteConfig::consentSignalsG2Enabled() const {
  if (auto flag = activatedExperimentFlag("gcs_g2_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.upload.gcs_g2_enabled", false);
}

bool APMRemoteConfig::DMAConsentEnabled() const {
  if (auto flag = activatedExperimentFlag("dma_consent_enabled")) return *flag;
  return boolValueFromCacheWithKey("measurement.upload.dma_consent_enabled", false);
}
