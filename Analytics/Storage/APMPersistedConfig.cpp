#include "Analytics/Storage/APMPersistedConfig.h"

#include <random>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMKeyValueStore.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/APMPersistentDictionary.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/DispatchWorkItem.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

using platform::Value;

std::string K(std::string_view name) { return APMPersistedConfig::key(name); }

}  // namespace

std::shared_ptr<APMPersistedConfig> APMPersistedConfig::sharedInstance() {
  static std::shared_ptr<APMPersistedConfig>* shared =
      new std::shared_ptr<APMPersistedConfig>(initWithSuiteName(kSuiteName));
  if (!*shared) APMMeasurementMonitor().logWithLevel(1, 27001, "PersistedConfig's shared instance is nil");
  return *shared;
}

std::shared_ptr<APMPersistedConfig> APMPersistedConfig::initWithSuiteName(const std::string& name) {
  if (name.empty()) return nullptr;
  std::shared_ptr<APMKeyValueStore> store;
  if (APMEngineHooks::persistentConfigInApplicationSupportEnabled()) {
    APMMovePersistedConfigToMeasurementDirectory(name);
    store = APMPersistentDictionary::initWithFileName(name);
  } else {
    APMMovePersistedConfigToUserDefaults(name);
    store = std::make_shared<APMUserDefaults>(name);
  }
  if (!store) return nullptr;
  return std::shared_ptr<APMPersistedConfig>(new APMPersistedConfig(name, std::move(store)));
}

std::shared_ptr<APMPersistedConfig> APMPersistedConfig::initWithSuiteName(const std::string& name,
                                                                      std::shared_ptr<APMKeyValueStore> store) {
  if (name.empty() || !store) return nullptr;
  return std::shared_ptr<APMPersistedConfig>(new APMPersistedConfig(name, std::move(store)));
}

APMPersistedConfig::APMPersistedConfig(std::string name, std::shared_ptr<APMKeyValueStore> store)
    : name_(std::move(name)), store_(std::move(store)), serialQueue_(platform::DispatchQueue::create("APMPersistedConfig")) {}

APMPersistedConfig::~APMPersistedConfig() { cancelScheduledSynchronize(); }

template <typename Read>
auto APMPersistedConfig::onQueue(std::string_view key, Read read) const {
  using Result = decltype(read(*store_, key));
  Result result{};
  if (key.empty()) return result;
  serialQueue_->sync([&] { result = read(*store_, key); });
  return result;
}

std::optional<Value> APMPersistedConfig::objectForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.objectForKey(k); });
}

bool APMPersistedConfig::boolForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.boolForKey(k); });
}

int64_t APMPersistedConfig::int64ForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.integerForKey(k); });
}

int64_t APMPersistedConfig::int64ForKey(std::string_view key, const APMKeyValueStore& userDefault) {
  if (key.empty()) return 0;
  return userDefault.integerForKey(key);
}

double APMPersistedConfig::doubleForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.doubleForKey(k); });
}

std::optional<std::string> APMPersistedConfig::stringForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.stringForKey(k); });
}

std::optional<Value::Dictionary> APMPersistedConfig::dictionaryForKey(std::string_view key) const {
  return onQueue(key, [](const APMKeyValueStore& store, std::string_view k) { return store.dictionaryForKey(k); });
}

std::optional<Value> APMPersistedConfig::numberForKey(std::string_view key) const {
  auto value = objectForKey(key);
  if (!value || !value->isNumber()) return std::nullopt;
  return value;
}

void APMPersistedConfig::setObjectWithoutFlush(const Value& value, std::string_view key) {
  if (key.empty()) return;
  serialQueue_->sync([&] { store_->setObject(value, key); });
}

void APMPersistedConfig::setBool(bool value, std::string_view key) {
  setObjectWithoutFlush(Value(value), key);
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::setInt64(int64_t value, std::string_view key) {
  setObjectWithoutFlush(Value(value), key);
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::setDouble(double value, std::string_view key) {
  setObjectWithoutFlush(Value(value), key);
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::setString(const std::optional<std::string>& value, std::string_view key) {
  setObjectWithoutFlush(value ? Value(*value) : Value(), key);
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::setDictionary(const std::optional<Value::Dictionary>& value, std::string_view key) {
  if (!key.empty()) {
    platform::Status stored;
    serialQueue_->sync([&] { stored = store_->setObject(value ? Value(*value) : Value(), key); });
    if (!stored.ok()) APMMeasurementMonitor().logWithLevel(1, 27002, "Unsupported value passed in dictionary");
  }
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::setNumber(const std::optional<Value>& value, std::string_view key) {
  if (value && !value->isNull() && !value->isNumber()) return;
  setObjectWithoutFlush(value ? *value : Value(), key);
  scheduleSynchronizeToDisk();
}

void APMPersistedConfig::clearValues() {
  serialQueue_->sync([&] { store_->clearAllData(); });
}

void APMPersistedConfig::synchronizeToDisk() {
  if (platform::RunLoop::isMainThread()) {
    scheduleSynchronizeToDisk();
    return;
  }
  store_->synchronize();
}

void APMPersistedConfig::cancelScheduledSynchronize() {
  std::lock_guard<std::mutex> lock(lock_);
  if (synchronizeBlock_) synchronizeBlock_->cancel();
  synchronizeBlock_.reset();
}

void APMPersistedConfig::scheduleSynchronizeToDisk() {
  {
    // Cancel and re-arm under one lock so two writers cannot both leave a flush armed.
    std::lock_guard<std::mutex> lock(lock_);
    if (synchronizeBlock_) synchronizeBlock_->cancel();
    std::weak_ptr<APMKeyValueStore> weak = store_;
    synchronizeBlock_ = std::make_shared<platform::DispatchWorkItem>([weak] {
      if (auto store = weak.lock()) store->synchronize();
    });
    serialQueue_->after(1.0, synchronizeBlock_);
  }
  updateConfigStoreMigrationFlagIfNeeded();
}

void APMPersistedConfig::updateConfigStoreMigrationFlagIfNeeded() {
  if (!shouldCheckConfigStoreMigrationFlag_.load() || !APMEngineHooks::hasRemoteConfigProvider()) return;
  // Only the caller that clears the flag applies the remote setting.
  if (!shouldCheckConfigStoreMigrationFlag_.exchange(false)) return;
  APMEngineHooks::setPersistentConfigInApplicationSupportEnabled(
      APMEngineHooks::remoteConfig()->persistentConfigInApplicationSupportEnabled());
}

// ---- Typed properties

#define APM_DOUBLE_PROPERTY(getter, setter, keyName)                         \
  double APMPersistedConfig::getter() const { return doubleForKey(K(keyName)); } \
  void APMPersistedConfig::setter(double value) { setDouble(value, K(keyName)); }
#define APM_INT64_PROPERTY(getter, setter, keyName)                           \
  int64_t APMPersistedConfig::getter() const { return int64ForKey(K(keyName)); } \
  void APMPersistedConfig::setter(int64_t value) { setInt64(value, K(keyName)); }
#define APM_STRING_PROPERTY(getter, setter, keyName)                                            \
  std::optional<std::string> APMPersistedConfig::getter() const { return stringForKey(K(keyName)); } \
  void APMPersistedConfig::setter(const std::optional<std::string>& value) { setString(value, K(keyName)); }
#define APM_BOOL_PROPERTY(getter, setter, keyName)                                          \
  bool APMPersistedConfig::getter() const { return int64ForKey(K(keyName)) != 0; }           \
  void APMPersistedConfig::setter(bool value) { setInt64(value ? 1 : 0, K(keyName)); }
#define APM_OBJECT_PROPERTY(getter, setter, keyName)                                        \
  std::optional<Value> APMPersistedConfig::getter() const { return objectForKey(K(keyName)); } \
  void APMPersistedConfig::setter(const Value& value) { setObjectWithoutFlush(value, K(keyName)); }

APM_DOUBLE_PROPERTY(lastDeleteStaleBundlesTimestamp, setLastDeleteStaleBundlesTimestamp, "last_delete_stale")
APM_DOUBLE_PROPERTY(lastSearchAdLookUpTimestamp, setLastSearchAdLookUpTimestamp, "search_ad_last_attempt_timestamp")
APM_INT64_PROPERTY(searchAdRetryCount, setSearchAdRetryCount, "search_ad_number_of_retries")
APM_STRING_PROPERTY(appInstanceID, setAppInstanceID, "app_instance_id")
APM_STRING_PROPERTY(appIDFromKVL, setAppIDFromKVL, "kvl_app_id")
APM_STRING_PROPERTY(appIDFromPellumar, setAppIDFromPellumar, "pellumar_app_id")
APM_STRING_PROPERTY(hashedResettableDeviceID, setHashedResettableDeviceID, "hashed_idfa")
APM_STRING_PROPERTY(diversionKey, setDiversionKey, "diversion_key")
APM_DOUBLE_PROPERTY(lastBackoffTimestamp, setLastBackoffTimestamp, "last_backoff")
APM_DOUBLE_PROPERTY(lastSuccessfulUploadTimestamp, setLastSuccessfulUploadTimestamp, "last_successful_upload")
APM_DOUBLE_PROPERTY(lastFailedUploadTimestamp, setLastFailedUploadTimestamp, "last_failed_upload")
APM_STRING_PROPERTY(appVersion, setAppVersion, "app_version")
APM_STRING_PROPERTY(osVersion, setOSVersion, "os_version")
APM_DOUBLE_PROPERTY(lastMonitorDataSampledTimestamp, setLastMonitorDataSampledTimestamp,
                    "last_monitor_data_sampled_timestamp")
APM_INT64_PROPERTY(firstOpenTimestampMilliseconds, setFirstOpenTimestampMilliseconds, "first_open_timestamp_ms")
APM_STRING_PROPERTY(configServerLastModifiedString, setConfigServerLastModifiedString, "last_modified_since_key")
APM_STRING_PROPERTY(configServerETag, setConfigServerETag, "config_etag")
APM_OBJECT_PROPERTY(loadTimestampValue, setLoadTimestampValue, "load_timestamp")
APM_OBJECT_PROPERTY(allowPersonalizedAds, setAllowPersonalizedAds, "allow_personalized_ads")
APM_STRING_PROPERTY(quorvaneFeatureRollouts, setQuorvaneFeatureRollouts, "quorvane_feature_rollouts")
APM_OBJECT_PROPERTY(deferredDeepLinkRetrievalComplete, setDeferredDeepLinkRetrievalComplete,
                    "deep_link_retrieval_complete")
APM_INT64_PROPERTY(deferredDeepLinkRetryCount, setDeferredDeepLinkRetryCount, "deep_link_retry_count")
APM_BOOL_PROPERTY(shouldSetLastAdvertisingIDResetUserProperty, setShouldSetLastAdvertisingIDResetUserProperty,
                  "set_last_advertising_id_reset")
APM_BOOL_PROPERTY(unmatchedFirstOpenWithoutIDFA, setUnmatchedFirstOpenWithoutIDFA, "unmatched_first_open")
APM_DOUBLE_PROPERTY(lastSessionActivityClockTime, setLastSessionActivityClockTime, "last_engagement_end")
APM_INT64_PROPERTY(sessionNumber, setSessionNumber, "session_number")
APM_INT64_PROPERTY(lastUploadedEventTimestampMillis, setLastUploadedEventTimestampMillis, "last_uploaded_event_millis")
APM_INT64_PROPERTY(SKANEvaluationEventTimeMillis, setSKANEvaluationEventTimeMillis, "skan_evaluation_event_time_millis")
APM_INT64_PROPERTY(SKANEvaluationUpdateBackoffMillis, setSKANEvaluationUpdateBackoffMillis,
                   "skan_evaluation_update_backoff_millis")

#undef APM_DOUBLE_PROPERTY
#undef APM_INT64_PROPERTY
#undef APM_STRING_PROPERTY
#undef APM_BOOL_PROPERTY
#undef APM_OBJECT_PROPERTY

std::optional<Value> APMPersistedConfig::searchAdCampaignValue() const {
  auto value = store_->objectForKey(K("is_search_ad_campaign"));
  if (!value || !value->isNumber()) return std::nullopt;
  return value;
}

void APMPersistedConfig::setSearchAdCampaignValue(const Value& value) {
  if (!value.isNumber()) return;
  store_->setObject(value, K("is_search_ad_campaign"));
}

int64_t APMPersistedConfig::measurementEnabledState() const {
  return int64ForKey(K("measurement_enabled_state"), APMUserDefaults::standardUserDefaults());
}

void APMPersistedConfig::setMeasurementEnabledState(int64_t value) {
  serialQueue_->sync([&] {
    APMUserDefaults& standard = APMUserDefaults::standardUserDefaults();
    standard.setInteger(value, K("measurement_enabled_state"));
    standard.synchronize();
  });
}

double APMPersistedConfig::midnightOffset() {
  auto stored = numberForKey(K("midnight_offset"));
  if (stored) return stored->numberAsDouble().value_or(0);
  std::random_device device;
  std::uniform_int_distribution<int64_t> millis(0, 86400000 - 1);
  double offset = static_cast<double>(millis(device)) / 1000.0;
  setDouble(offset, K("midnight_offset"));
  return offset;
}

std::optional<Value> APMPersistedConfig::previousFirstOpenCount() const { return numberForKey(K("previous_first_open_count")); }

void APMPersistedConfig::setPreviousFirstOpenCount(const std::optional<Value>& value) {
  setNumber(value, K("previous_first_open_count"));
}

std::optional<Value::Dictionary> APMPersistedConfig::defaultEventParameters() const {
  return dictionaryForKey(K("default_event_parameters"));
}

void APMPersistedConfig::setDefaultEventParameters(const std::optional<Value::Dictionary>& value) {
  setDictionary(value, K("default_event_parameters"));
}
