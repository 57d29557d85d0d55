// The engine's small persistent state between launches, each value under a
// fixed "/trivandel/measurement/" key in one settings suite, kept either in
// user defaults or in a property-list file in the measurement directory.
// Typed access runs synchronously on the own serial queue; a burst of writes
// is flushed to disk once, one second after the last write.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

class APMKeyValueStore;
namespace platform {
class DispatchQueue;
class DispatchWorkItem;
}  // namespace platform

class APMPersistedConfig {
 public:
  static constexpr const char* kSuiteName = "com.trivandel.kvl.measurement";

  // The instance for the engine's suite, made once.
  static std::shared_ptr<APMPersistedConfig> sharedInstance();
  // None for an empty name.
  static std::shared_ptr<APMPersistedConfig> initWithSuiteName(const std::string& name);
  // Over a given store (no file moves).
  static std::shared_ptr<APMPersistedConfig> initWithSuiteName(const std::string& name,
                                                               std::shared_ptr<APMKeyValueStore> store);
  ~APMPersistedConfig();
  APMPersistedConfig(const APMPersistedConfig&) = delete;
  APMPersistedConfig& operator=(const APMPersistedConfig&) = delete;

  const std::string& name() const { return name_; }
  APMKeyValueStore& store() const { return *store_; }

  // Typed access by key name (without the prefix is not accepted: keys are full).
  bool boolForKey(std::string_view key) const;
  int64_t int64ForKey(std::string_view key) const;
  static int64_t int64ForKey(std::string_view key, const APMKeyValueStore& userDefault);
  double doubleForKey(std::string_view key) const;
  std::optional<std::string> stringForKey(std::string_view key) const;
  std::optional<platform::Value::Dictionary> dictionaryForKey(std::string_view key) const;
  std::optional<platform::Value> numberForKey(std::string_view key) const;
  std::optional<platform::Value> objectForKey(std::string_view key) const;
  void setBool(bool value, std::string_view key);
  void setInt64(int64_t value, std::string_view key);
  void setDouble(double value, std::string_view key);
  void setString(const std::optional<std::string>& value, std::string_view key);
  void setDictionary(const std::optional<platform::Value::Dictionary>& value, std::string_view key);
  void setNumber(const std::optional<platform::Value>& value, std::string_view key);

  void clearValues();
  void synchronizeToDisk();
  void scheduleSynchronizeToDisk();
  void cancelScheduledSynchronize();
  void updateConfigStoreMigrationFlagIfNeeded();

  // Typed properties.
  double lastDeleteStaleBundlesTimestamp() const;
  void setLastDeleteStaleBundlesTimestamp(double value);
  std::optional<platform::Value> searchAdCampaignValue() const;
  void setSearchAdCampaignValue(const platform::Value& value);
  double lastSearchAdLookUpTimestamp() const;
  void setLastSearchAdLookUpTimestamp(double value);
  int64_t searchAdRetryCount() const;
  void setSearchAdRetryCount(int64_t value);
  std::optional<std::string> appInstanceID() const;
  void setAppInstanceID(const std::optional<std::string>& value);
  std::optional<std::string> appIDFromKVL() const;
  void setAppIDFromKVL(const std::optional<std::string>& value);
  std::optional<std::string> appIDFromPellumar() const;
  void setAppIDFromPellumar(const std::optional<std::string>& value);
  std::optional<std::string> hashedResettableDeviceID() const;
  void setHashedResettableDeviceID(const std::optional<std::string>& value);
  std::optional<std::string> diversionKey() const;
  void setDiversionKey(const std::optional<std::string>& value);
  int64_t measurementEnabledState() const;
  void setMeasurementEnabledState(int64_t value);
  double lastBackoffTimestamp() const;
  void setLastBackoffTimestamp(double value);
  double lastSuccessfulUploadTimestamp() const;
  void setLastSuccessfulUploadTimestamp(double value);
  double lastFailedUploadTimestamp() const;
  void setLastFailedUploadTimestamp(double value);
  std::optional<std::string> appVersion() const;
  void setAppVersion(const std::optional<std::string>& value);
  std::optional<std::string> osVersion() const;
  void setOSVersion(const std::optional<std::string>& value);
  // Seconds in [0, 86400), made once per installation.
  double midnightOffset();
  double lastMonitorDataSampledTimestamp() const;
  void setLastMonitorDataSampledTimestamp(double value);
  int64_t firstOpenTimestampMilliseconds() const;
  void setFirstOpenTimestampMilliseconds(int64_t value);
  std::optional<std::string> configServerLastModifiedString() const;
  void setConfigServerLastModifiedString(const std::optional<std::string>& value);
  std::optional<std::string> configServerETag() const;
  void setConfigServerETag(const std::optional<std::string>& value);
  std::optional<platform::Value> loadTimestampValue() const;
  void setLoadTimestampValue(const platform::Value& value);
  std::optional<platform::Value> allowPersonalizedAds() const;
  void setAllowPersonalizedAds(const platform::Value& value);
  std::optional<std::string> quorvaneFeatureRollouts() const;
  void setQuorvaneFeatureRollouts(const std::optional<std::string>& value);
  std::optional<platform::Value> deferredDeepLinkRetrievalComplete() const;
  void setDeferredDeepLinkRetrievalComplete(const platform::Value& value);
  int64_t deferredDeepLinkRetryCount() const;
  void setDeferredDeepLinkRetryCount(int64_t value);
  bool shouldSetLastAdvertisingIDResetUserProperty() const;
  void setShouldSetLastAdvertisingIDResetUserProperty(bool value);
  bool unmatchedFirstOpenWithoutIDFA() const;
  void setUnmatchedFirstOpenWithoutIDFA(bool value);
  std::optional<platform::Value> previousFirstOpenCount() const;
  void setPreviousFirstOpenCount(const std::optional<platform::Value>& value);
  double lastSessionActivityClockTime() const;
  void setLastSessionActivityClockTime(double value);
  int64_t sessionNumber() const;
  void setSessionNumber(int64_t value);
  std::optional<platform::Value::Dictionary> defaultEventParameters() const;
  void setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& value);
  int64_t lastUploadedEventTimestampMillis() const;
  void setLastUploadedEventTimestampMillis(int64_t value);
  int64_t SKANEvaluationEventTimeMillis() const;
  void setSKANEvaluationEventTimeMillis(int64_t value);
  int64_t SKANEvaluationUpdateBackoffMillis() const;
  void setSKANEvaluationUpdateBackoffMillis(int64_t value);

  static std::string key(std::string_view name) { return "/trivandel/measurement/" + std::string(name); }

 private:
  APMPersistedConfig(std::string name, std::shared_ptr<APMKeyValueStore> store);
  // Stores on the queue without scheduling a flush.
  void setObjectWithoutFlush(const platform::Value& value, std::string_view key);
  // read(store, key) on the queue; the result's empty value for an empty key.
  template <typename Read>
  auto onQueue(std::string_view key, Read read) const;

  std::string name_;
  std::shared_ptr<APMKeyValueStore> store_;
  std::atomic<bool> shouldCheckConfigStoreMigrationFlag_{true};
  std::shared_ptr<platform::DispatchQueue> serialQueue_;
  std::mutex lock_;
  std::shared_ptr<platform::DispatchWorkItem> synchronizeBlock_;  // guarded by lock_
};
