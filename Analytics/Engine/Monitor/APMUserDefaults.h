// The engine's key-value store over a user-defaults suite, or over the
// application's preferences domain when the app asks for the preferences
// library ("UseCFPreferencesLibrary" in Info.plist, default on). Both are
// property-list suites of the platform store; they differ in which domain
// they name and in how clearAllData empties it.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "Analytics/Engine/Monitor/APMKeyValueStore.h"

namespace platform {
class UserDefaults;
}

class APMUserDefaults : public APMKeyValueStore {
 public:
  static bool userPreferenceEnabled();
  // The shared store without suite (already excluded from backup).
  static APMUserDefaults& standardUserDefaults();

  APMUserDefaults();
  explicit APMUserDefaults(std::optional<std::string> suiteName);

  std::optional<platform::Value> objectForKey(std::string_view key) const override;
  platform::Status setObject(const platform::Value& value, std::string_view key) override;
  void removeObjectForKey(std::string_view key) override;
  void clearAllData() override;
  bool synchronize() override;

  const std::optional<std::string>& suiteName() const { return suiteName_; }
  bool useCFPreferencesLibrary() const;
  void setUseCFPreferencesLibrary(bool use);
  bool isPreferenceFileExcluded() const;

 private:
  platform::UserDefaults& store() const;

  std::optional<std::string> suiteName_;
  std::string appName_;
  mutable std::mutex mu_;
  bool useCFPreferencesLibrary_ = true;
  bool isPreferenceFileExcluded_ = false;
};
