// The app's state as the engine reads it, the stored deep link that waits to
// be reported, and hour arithmetic.
#pragma once

#include <cstdint>
#include <string>

#include "Platform/Foundation/Value.h"

class APMKeyValueStore;
class APMRemoteConfig;

bool APMIsAppActive();
// The system's prewarmed launch ("ActivePrewarm" in the environment).
bool APMIsActivePrewarm();
bool APMHasSceneManifest();

void APMStoreDeepLink(APMKeyValueStore& userDefaults, const platform::Value& deepLink);
void APMClearStoredDeepLink(APMKeyValueStore& userDefaults);
// False without a stored time; true when now and the stored time lie more than timeToLive apart.
bool APMIsStoredDeepLinkExpired(const APMKeyValueStore& userDefaults, double timeToLive);
// Clears an expired link from the standard defaults; answers whether it had expired.
bool APMClearStoredDeepLinkIfExpired(const APMRemoteConfig& remoteConfig);

// The start of the hour before the one holding the time (milliseconds, truncating toward zero).
int64_t APMPreviousHourStartMillis(int64_t millis);
