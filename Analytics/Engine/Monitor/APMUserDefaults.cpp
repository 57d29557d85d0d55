#include "Analytics/Engine/Monitor/APMUserDefaults.h"

#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

constexpr const char* kTag = "<VurAvizivozora>";

}  // namespace

bool APMUserDefaults::userPreferenceEnabled() {
  static const bool enabled = [] {
    auto value = APMMainBundle::infoValue("UseCFPreferencesLibrary");
    if (value && value->isNumber()) return value->numberAsDouble().value_or(0) != 0;
    return true;
  }();
  return enabled;
}

APMUserDefaults& APMUserDefaults::standardUserDefaults() {
  static APMUserDefaults* shared = [] {
    auto* defaults = new APMUserDefaults();
    defaults->isPreferenceFileExcluded_ = true;
    return defaults;
  }();
  return *shared;
}

APMUserDefaults::APMUserDefaults() : APMUserDefaults(std::nullopt) {}

APMUserDefaults::APMUserDefaults(std::optional<std::string> suiteName)
    : suiteName_(std::move(suiteName)), useCFPreferencesLibrary_(userPreferenceEnabled()) {
  if (suiteName_ && !suiteName_->empty()) appName_ = *suiteName_;
}

platform::UserDefaults& APMUserDefaults::store() const {
  // Either way the domain is the suite's, or the application's own without one.
  if (appName_.empty()) return platform::UserDefaults::standard();
  return platform::UserDefaults::suite(appName_);
}

bool APMUserDefaults::useCFPreferencesLibrary() const {
  std::lock_guard<std::mutex> lock(mu_);
  return useCFPreferencesLibrary_;
}

void APMUserDefaults::setUseCFPreferencesLibrary(bool use) {
  std::lock_guard<std::mutex> lock(mu_);
  useCFPreferencesLibrary_ = use;
}

bool APMUserDefaults::isPreferenceFileExcluded() const {
  std::lock_guard<std::mutex> lock(mu_);
  return isPreferenceFileExcluded_;
}

std::optional<platform::Value> APMUserDefaults::objectForKey(std::string_view key) const {
  if (key.empty()) {
    platform::TVULogWarning(kTag, false, "I-ACS041001", "Cannot get object for invalid user default key.");
    return std::nullopt;
  }
  return store().objectForKey(key);
}

platform::Status APMUserDefaults::setObject(const platform::Value& value, std::string_view key) {
  if (key.empty()) {
    platform::TVULogWarning(kTag, false, "I-ACS041002", "Cannot set object for invalid user default key.");
    return platform::Status::InvalidArgument("empty key");
  }
  platform::Status status =
      value.isNull() ? store().removeObjectForKey(key) : store().setObject(value, key);
  if (!status.ok()) {
    // Only values the property-list store cannot hold (a nested null) fail here.
    platform::TVULogWarning(kTag, false, "I-ACS041003",
                            "Cannot set invalid object to user defaults. Must be a string or number "
                            "or an array. Value %@",
                            {value.description()});
  }
  return status;
}

void APMUserDefaults::removeObjectForKey(std::string_view key) {
  if (key.empty()) {
    platform::TVULogWarning(kTag, false, "I-ACS041002", "Cannot set object for invalid user default key.");
    return;
  }
  store().removeObjectForKey(key);
}

void APMUserDefaults::clearAllData() {
  if (useCFPreferencesLibrary()) {
    platform::UserDefaults& defaults = store();
    for (const auto& key : defaults.allKeys()) defaults.removeObjectForKey(key);
    return;
  }
  std::string domain = appName_.empty() ? APMMainBundle::bundleIdentifier() : appName_;
  platform::UserDefaults::removePersistentDomainForName(domain);
}

bool APMUserDefaults::synchronize() {
  bool ok = store().synchronize();
  if (!ok && useCFPreferencesLibrary()) {
    platform::TVULogError(kTag, false, "I-ACS041004", "Cannot synchronize user defaults to disk");
  }
  std::lock_guard<std::mutex> lock(mu_);
  if (isPreferenceFileExcluded_ || appName_.empty()) return ok;
  std::string path = store().filePath();
  auto& files = platform::FileManager::defaultManager();
  if (files.fileExistsAtPath(path)) {
    platform::Status status = files.setExcludedFromBackup(path, true);
    if (status.ok()) {
      isPreferenceFileExcluded_ = true;
    } else {
      platform::TVULogWarning(kTag, false, "I-ACS041000",
                              "Failed to exclude preferences file from backup. Error code %@",
                              {status.ToString()});
    }
  }
  return ok;
}
