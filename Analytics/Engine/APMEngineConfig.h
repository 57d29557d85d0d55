// The engine's configuration; the defaults before its start made one. Only
// the engine's own source files include this header.
#pragma once

#include <memory>

#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"

inline std::shared_ptr<APMRemoteConfig> ConfigOf(const APMMeasurement& engine) {
  std::shared_ptr<APMRemoteConfig> config = engine.remoteConfigInstance();
  return config ? config : APMRemoteConfig::defaultInstance();
}
