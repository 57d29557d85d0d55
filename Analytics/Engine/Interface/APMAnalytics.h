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
};
