#include "Analytics/Engine/APMInfoPlistFileUtil.h"

#include <mutex>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/PropertyList.h"

namespace {

struct EngineBundle {
  std::mutex mu;
  std::optional<std::string> path;
};

EngineBundle& Engine() {
  static auto* bundle = new EngineBundle;
  return *bundle;
}

}  // namespace

void APMInfoPlistFileUtil::setEngineResourcesBundlePath(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(Engine().mu);
  Engine().path = std::move(path);
}

std::optional<std::string> APMInfoPlistFileUtil::engineResourcesBundlePath() {
  std::lock_guard<std::mutex> lock(Engine().mu);
  return Engine().path;
}

std::optional<std::string> APMInfoPlistFileUtil::trivandelServiceInfoPlistPath() {
  if (auto path = platform::Bundle::main().pathForResource(kResourceName, kResourceType)) return path;
  auto enginePath = engineResourcesBundlePath();
  if (!enginePath) return std::nullopt;
  return platform::Bundle(*enginePath).pathForResource(kResourceName, kResourceType);
}

std::optional<platform::Value::Dictionary> APMInfoPlistFileUtil::dictionaryFromTrivandelServiceInfoPlist() {
  auto path = trivandelServiceInfoPlistPath();
  if (!path) return std::nullopt;
  auto list = platform::PropertyList::readFile(*path);
  if (!list.ok() || !list->isDictionary()) {
    APMMeasurementMonitor().logWithLevel(2, 20008, "Service configuration file is not a readable dictionary",
                                         *path);
    return std::nullopt;
  }
  return *list->getDictionary();
}
