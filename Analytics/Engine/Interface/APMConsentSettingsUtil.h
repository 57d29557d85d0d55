// The consent model: four consent types ("ad_storage", "analytics_storage",
// "ad_user_data", "ad_personalization"), each "granted" or "denied", the
// source that set them (a lower number wins), defaults and delegations from
// the remote configuration, the consent strings that travel with uploads and
// the diagnostics string. All state lives on the serial queue
// "APMConsentSettingsUtilQueue": getters wait for it, setters queue a block,
// so a getter sees every setter called before it on the same thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace platform {
class DispatchQueue;
}

// Consent type by its configuration code 1..4, status by 1 (granted) or 2 (denied).
std::optional<std::string> APMConsentTypeName(int64_t code);
std::optional<std::string> APMConsentStatusName(int64_t code);

class APMConsentSettingsUtil {
 public:
  using Settings = platform::Value::Dictionary;

  static constexpr const char* kAdStorage = "ad_storage";
  static constexpr const char* kAnalyticsStorage = "analytics_storage";
  static constexpr const char* kAdUserData = "ad_user_data";
  static constexpr const char* kAdPersonalization = "ad_personalization";
  static constexpr const char* kGranted = "granted";
  static constexpr const char* kDenied = "denied";
  // The fixed order wherever order matters.
  static const std::array<const char*, 4>& consentTypes();

  // Sources; a lower number has higher priority.
  static constexpr int64_t kSource3P = 10;
  static constexpr int64_t kSource3PRestored = 20;
  static constexpr int64_t kSource1P = 30;
  static constexpr int64_t kSource1PRestored = 40;
  static constexpr int64_t kSourceNone = 100;

  static const std::shared_ptr<platform::DispatchQueue>& serialQueue();

  static std::optional<Settings> consentSettings();
  static std::optional<Settings> defaultSettings();
  static std::optional<Settings> delegatedSettings();
  static int64_t consentSource();
  static int64_t version();

  static void setConsentSource(int64_t source);
  // Only 1 and 2 are kept.
  static void setVersion(int64_t version);
  // None also returns the source to "nothing set".
  static void setConsentSettings(const std::optional<Settings>& settings);
  static void setDefaultSettings(const std::optional<Settings>& settings);
  static void setDelegatedSettings(const std::optional<Settings>& settings);
  // Adds the entries; they win over the current ones.
  static void updateSettings(const Settings& settings);

  static bool isAdStorageDenied();
  static bool isAnalyticsStorageDenied();
  // Current, else through a delegation, else the default.
  static bool isAdUserDataDenied();
  // Current, else the default: false denied, true granted, none unset.
  static std::optional<bool> adPersonalization();

  // Those of the four type keys the dictionary holds, values unchanged.
  static Settings consentSettingsFromDictionary(const Settings& dictionary);
  // The app's Info.plist defaults.
  static Settings consentSettingsFromPlist();
  // Whether ad or analytics storage went from not denied (in previous) to
  // denied (now). A previous value that is not a dictionary never counts.
  static bool didWithdrawPreviousConsent(const std::optional<platform::Value>& previous);
  // The current source is greater than or equal to the given one.
  static bool isConsentSourceHigherPriority(int64_t source);

  static std::string consentSignals();
  static void setDiagnosticSource(int64_t source, const std::string& consentType);
  static std::string consentDiagnostics();
  static void resetDiagnosticSources();
  static void refreshDiagnosticSources(bool fromSourceChange);

  static void unsetAdPersonalization();
  static std::string description();
  static void clearAllSettings();

  // For tests: back to the state at launch (also the version and the
  // diagnostic sources), once every queued block has run.
  static void resetForTesting();

  // A stored value that counts as a status: a string whose lowercase form is
  // "granted" or "denied"; its lowercase form, else none.
  static std::optional<std::string> statusOf(const platform::Value& value);
};
