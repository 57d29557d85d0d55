#include "Analytics/Engine/Interface/APMAnalytics.h"

#include <mutex>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"

namespace {

using Settings = APMConsentSettingsUtil::Settings;

constexpr const char* kAllowPersonalizedAds = "allow_personalized_ads";

}  // namespace

APMUserDefaults& APMAnalytics::analyticsSuite() {
  static APMUserDefaults* suite = new APMUserDefaults(std::string(kAnalyticsSuiteName));
  return *suite;
}

void APMAnalytics::setConsent(const Settings& consent) { setConsent(consent, kConsentSettings1PKey); }

void APMAnalytics::setConsent(const Settings& consent, const std::string& key) {
  if (APMConsentSettingsUtil::consentSource() == APMConsentSettingsUtil::kSourceNone) loadPersistedConsentSettings();

  Settings entries = APMConsentSettingsUtil::consentSettingsFromDictionary(consent);
  for (auto it = entries.begin(); it != entries.end();) {
    const std::string* status = it->second.getString();
    if (status != nullptr && (*status == APMConsentSettingsUtil::kGranted || *status == APMConsentSettingsUtil::kDenied)) {
      ++it;
      continue;
    }
    APMMeasurementMonitor().logWithLevel(
        3, 25042, "Valid consent values are 'granted' and 'denied'. Ignoring invalid consent setting",
        APMLogContext(status != nullptr ? *status : it->second.description()));
    it = entries.erase(it);
  }
  if (entries.empty()) {
    APMMeasurementMonitor().logWithLevel(3, 25041, "Discarding empty consent settings");
    return;
  }

  int64_t source = key == kConsentSettings3PKey ? APMConsentSettingsUtil::kSource3P : APMConsentSettingsUtil::kSource1P;
  if (!APMConsentSettingsUtil::isConsentSourceHigherPriority(source)) {
    APMMeasurementMonitor().logWithLevel(3, 25043, "Ignoring lower priority consent settings");
    return;
  }

  std::optional<platform::Value> previous = analyticsSuite().objectForKey(key);
  APMConsentSettingsUtil::updateSettings(entries);
  APMConsentSettingsUtil::setConsentSource(source);
  persistConsentSettings(APMConsentSettingsUtil::consentSettings(), source);

  bool withdrawn = APMConsentSettingsUtil::didWithdrawPreviousConsent(previous);
  if (withdrawn) {
    analyticsSuite().removeObjectForKey(kAppInstanceIDAfterResetKey);
    if (APMEngineHooks::engineHasInitializedComponents()) {
      APMEngineHooks::resetAnalyticsData();
    } else {
      analyticsSuite().setBool(true, kDeferredConsentResetKey);
    }
  }

  if (APMEngineHooks::remoteConfig()->DMAConsentEnabled()) {
    std::optional<bool> personalization = APMConsentSettingsUtil::adPersonalization();
    if (personalization && (withdrawn || entries.contains(APMConsentSettingsUtil::kAdPersonalization))) {
      APMEngineHooks::setUserPropertyString(std::string(*personalization ? "YES" : "NO"), kAllowPersonalizedAds);
    }
  }
}

void APMAnalytics::loadPersistedConsentSettings() {
  int64_t source = persistedConsentSource();
  if (source == APMConsentSettingsUtil::kSourceNone) return;
  std::optional<Settings> thirdParty = consentSettings3P();
  std::optional<Settings> firstParty = consentSettings1P();
  if (!thirdParty && !firstParty) {
    APMConsentSettingsUtil::setConsentSource(source);
    return;
  }
  APMConsentSettingsUtil::setConsentSettings(thirdParty ? thirdParty : firstParty);
  int64_t restored = thirdParty ? APMConsentSettingsUtil::kSource3PRestored : APMConsentSettingsUtil::kSource1PRestored;
  APMConsentSettingsUtil::setConsentSource(std::min(source, restored));
}

void APMAnalytics::persistConsentSettings(const std::optional<Settings>& settings, int64_t source) {
  const char* key = source < 21 ? kConsentSettings3PKey : kConsentSettings1PKey;
  analyticsSuite().setObject(settings ? platform::Value(*settings) : platform::Value(), key);
  analyticsSuite().setInteger(source, kConsentSourceKey);
}

int64_t APMAnalytics::persistedConsentSource() {
  auto value = analyticsSuite().objectForKey(kConsentSourceKey);
  if (!value || !value->isNumber()) return APMConsentSettingsUtil::kSourceNone;
  return analyticsSuite().integerForKey(kConsentSourceKey);
}

std::optional<Settings> APMAnalytics::consentSettings3P() {
  return analyticsSuite().dictionaryForKey(kConsentSettings3PKey);
}

std::optional<Settings> APMAnalytics::consentSettings1P() {
  return analyticsSuite().dictionaryForKey(kConsentSettings1PKey);
}

std::optional<Settings> APMAnalytics::consentSettings1PStart() {
  return analyticsSuite().dictionaryForKey(kConsentSettingsOnStartKey);
}

bool APMAnalytics::deferredResetOnDeniedConsent() { return analyticsSuite().boolForKey(kDeferredConsentResetKey); }

void APMAnalytics::removeStartUpConsentSettings() { analyticsSuite().removeObjectForKey(kConsentSettingsOnStartKey); }

void APMAnalytics::removeDeferredResetOnDeniedConsent() {
  analyticsSuite().removeObjectForKey(kDeferredConsentResetKey);
}

void APMAnalytics::clearConsent() {
  for (const char* key : {kConsentSourceKey, kConsentSettings3PKey, kConsentSettings1PKey, kConsentSettingsOnStartKey,
                          kDeferredConsentResetKey}) {
    analyticsSuite().removeObjectForKey(key);
  }
  APMConsentSettingsUtil::clearAllSettings();
}

int64_t APMAnalytics::resetRetryCount() { return analyticsSuite().integerForKey(kResetRetryCountKey); }

void APMAnalytics::setResetRetryCount(int64_t count) {
  if (count < 1) {
    analyticsSuite().removeObjectForKey(kResetRetryCountKey);
  } else {
    analyticsSuite().setInteger(count, kResetRetryCountKey);
  }
}

bool APMAnalytics::needFirstOpenAfterReset() { return analyticsSuite().boolForKey(kNeedFirstOpenAfterResetKey); }

void APMAnalytics::setNeedFirstOpenAfterReset(bool need) { analyticsSuite().setBool(need, kNeedFirstOpenAfterResetKey); }

void APMAnalytics::removeNeedFirstOpenAfterReset() { analyticsSuite().removeObjectForKey(kNeedFirstOpenAfterResetKey); }

std::optional<std::string> APMAnalytics::appInstanceIDAfterReset() {
  return analyticsSuite().stringForKey(kAppInstanceIDAfterResetKey);
}

void APMAnalytics::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  if (appInstanceID) {
    analyticsSuite().setObject(platform::Value(*appInstanceID), kAppInstanceIDAfterResetKey);
  } else {
    analyticsSuite().removeObjectForKey(kAppInstanceIDAfterResetKey);
  }
}

std::optional<platform::Value> APMAnalytics::deferredAnalyticsCollection() {
  return analyticsSuite().objectForKey(kDeferredAnalyticsCollectionKey);
}

void APMAnalytics::setDeferredAnalyticsCollection(const std::optional<platform::Value>& value) {
  if (value) {
    analyticsSuite().setObject(*value, kDeferredAnalyticsCollectionKey);
  } else {
    analyticsSuite().removeObjectForKey(kDeferredAnalyticsCollectionKey);
  }
}

bool APMAnalytics::persistentConfigInApplicationSupportEnabled() {
  return analyticsSuite().boolForKey(kPersistentConfigInApplicationSupportEnabledKey);
}

void APMAnalytics::setPersistentConfigInApplicationSupportEnabled(bool enabled) {
  analyticsSuite().setBool(enabled, kPersistentConfigInApplicationSupportEnabledKey);
}

namespace {

struct LoadTimestamp {
  std::mutex mu;
  std::optional<double> value;
};

LoadTimestamp& SharedLoadTimestamp() {
  static LoadTimestamp* shared = new LoadTimestamp;
  return *shared;
}

}  // namespace

double APMAnalytics::loadTimestamp() {
  LoadTimestamp& shared = SharedLoadTimestamp();
  std::lock_guard<std::mutex> lock(shared.mu);
  if (!shared.value) shared.value = platform::Clock::nowSeconds();
  return *shared.value;
}

void APMAnalytics::setLoadTimestamp(double timestamp) {
  LoadTimestamp& shared = SharedLoadTimestamp();
  std::lock_guard<std::mutex> lock(shared.mu);
  shared.value = timestamp;
}
