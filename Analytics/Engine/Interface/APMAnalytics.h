// The analytics facade between the public interface and the engine. Here:
// the analytics suite (the persisted switches, made once) and the consent
// operations. Callers on any thread; the suite is written on the caller's
// thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Platform/Foundation/Value.h"

class APMUserDefaults;

class APMAnalytics {
 public:
  static constexpr const char* kAnalyticsSuiteName = "APMAnalyticsSuiteName";
  // Keys of the analytics suite used by consent.
  static constexpr const char* kConsentSettings1PKey = "consent_settings";
  static constexpr const char* kConsentSettings3PKey = "consent_settings_3p";
  static constexpr const char* kConsentSourceKey = "consent_source";
  static constexpr const char* kConsentSettingsOnStartKey = "consent_settings_on_start";
  static constexpr const char* kDeferredConsentResetKey = "deferred_consent_reset";
  static constexpr const char* kAppInstanceIDAfterResetKey = "app_instance_id_after_reset";
  // Keys of the analytics suite kept for the engine.
  static constexpr const char* kResetRetryCountKey = "reset_retry_count";
  static constexpr const char* kNeedFirstOpenAfterResetKey = "need_first_open_after_reset";
  static constexpr const char* kDeferredAnalyticsCollectionKey = "deferred_analytics_collection";
  static constexpr const char* kPersistentConfigInApplicationSupportEnabledKey =
      "persistent_config_in_application_support_enabled";

  static APMUserDefaults& analyticsSuite();

  // Consent of the app itself (1P).
  static void setConsent(const APMConsentSettingsUtil::Settings& consent);
  // key: kConsentSettings3PKey for the public interface (3P), else 1P.
  static void setConsent(const APMConsentSettingsUtil::Settings& consent, const std::string& key);
  static void loadPersistedConsentSettings();
  static void persistConsentSettings(const std::optional<APMConsentSettingsUtil::Settings>& settings,
                                     int64_t source);
  // "Nothing set" when none was persisted.
  static int64_t persistedConsentSource();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings3P();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings1P();
  static std::optional<APMConsentSettingsUtil::Settings> consentSettings1PStart();
  static bool deferredResetOnDeniedConsent();
  static void removeStartUpConsentSettings();
  static void removeDeferredResetOnDeniedConsent();
  // Forgets the persisted consent and returns to the state at launch.
  static void clearConsent();

  // One-line accessors of the suite, on the caller's thread.
  static int64_t resetRetryCount();
  // Below 1 removes the count.
  static void setResetRetryCount(int64_t count);
  static bool needFirstOpenAfterReset();
  static void setNeedFirstOpenAfterReset(bool need);
  static void removeNeedFirstOpenAfterReset();
  static std::optional<std::string> appInstanceIDAfterReset();
  // None removes it.
  static void setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID);
  static std::optional<platform::Value> deferredAnalyticsCollection();
  // None removes it.
  static void setDeferredAnalyticsCollection(const std::optional<platform::Value>& value);
  static bool persistentConfigInApplicationSupportEnabled();
  static void setPersistentConfigInApplicationSupportEnabled(bool enabled);

  // When the facade was loaded (taken on first use), seconds since 1970;
  // read and written under one lock.
  static double loadTimestamp();
  static void setLoadTimestamp(double timestamp);
};
