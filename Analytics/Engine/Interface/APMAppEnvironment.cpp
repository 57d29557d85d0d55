#include "Analytics/Engine/Interface/APMAppEnvironment.h"

#include <cmath>
#include <cstdint>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Interface/APMDeepLinkKeys.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Runtime/ProcessInfo.h"

bool APMIsAppActive() { return APMEngineHooks::isAppActive(); }

bool APMIsActivePrewarm() {
  auto value = platform::ProcessInfo::processInfo().environmentValue("ActivePrewarm");
  if (!value) return false;
  std::string text = *value;
  if (text == "YES" || text == "yes" || text == "true" || text == "TRUE" || text == "Y" || text == "y" ||
      text == "T" || text == "t") {
    return true;
  }
  return platform::UserDefaults::leadingInteger(text) != 0;
}

bool APMHasSceneManifest() { return APMMainBundle::infoValue("UIApplicationSceneManifest").has_value(); }

void APMStoreDeepLink(APMKeyValueStore& userDefaults, const platform::Value& deepLink) {
  userDefaults.setObject(deepLink, kDeepLinkKey);
  userDefaults.setDouble(platform::Clock::nowSeconds(), kDeepLinkTimestampKey);
}

void APMClearStoredDeepLink(APMKeyValueStore& userDefaults) {
  userDefaults.removeObjectForKey(kDeepLinkKey);
  userDefaults.removeObjectForKey(kDeepLinkTimestampKey);
}

bool APMIsStoredDeepLinkExpired(const APMKeyValueStore& userDefaults, double timeToLive) {
  auto stored = userDefaults.objectForKey(kDeepLinkTimestampKey);
  if (!stored || !stored->isNumber()) return false;
  double storedTime = stored->numberAsDouble().value_or(0);
  return std::fabs(platform::Clock::nowSeconds() - storedTime) > timeToLive;
}

bool APMClearStoredDeepLinkIfExpired(const APMRemoteConfig& remoteConfig) {
  APMUserDefaults& defaults = APMUserDefaults::standardUserDefaults();
  bool expired = APMIsStoredDeepLinkExpired(defaults, remoteConfig.attributionCacheTTLInterval());
  if (expired) APMClearStoredDeepLink(defaults);
  return expired;
}

int64_t APMPreviousHourStartMillis(int64_t millis) {
  constexpr int64_t kHour = 3600000;
  int64_t result = 0;
  // Times within an hour of the smallest value have no previous hour to name.
  if (__builtin_sub_overflow((millis / kHour) * kHour, kHour, &result)) return INT64_MIN;
  return result;
}
