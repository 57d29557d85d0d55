#include "Analytics/Engine/Monitor/APMMainBundle.h"

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DataRoot.h"

std::optional<platform::Value> APMMainBundle::infoValue(std::string_view key) {
  return platform::Bundle::main().objectForInfoDictionaryKey(key);
}

std::string APMMainBundle::bundlePath() { return platform::Bundle::main().bundlePath(); }

std::string APMMainBundle::bundleIdentifier() {
  return platform::Bundle::main().bundleIdentifier().value_or(platform::DataRoot::applicationIdentifier());
}
