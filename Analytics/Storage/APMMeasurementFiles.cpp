#include "Analytics/Storage/APMMeasurementFiles.h"

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/UserDefaults.h"

namespace {

platform::FileManager& Files() { return platform::FileManager::defaultManager(); }

bool HasPlistExtension(const std::string& name) {
  auto slash = name.rfind('/');
  auto dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return name.substr(dot + 1) == "plist";
}

}  // namespace

std::string APMMeasurementPath(const std::string& name) {
  if (name.empty()) return "";
  return platform::DataRoot::applicationSupportDirectory() + "/Trivandel/Measurement/" + name;
}

std::string APMMeasurementPlistPath(const std::string& name) {
  if (name.empty()) return "";
  return APMMeasurementPath(HasPlistExtension(name) ? name : name + ".plist");
}

std::string APMPreferencesPlistPath(const std::string& name) {
  if (name.empty()) return "";
  return platform::DataRoot::preferencesDirectory() + "/" + name + ".plist";
}

bool APMDeleteFileAtPath(const std::string& path, APMError* error) {
  if (path.empty()) {
    APMSetError(error, 1, "Received empty path for deleting file");
    return false;
  }
  platform::Status status = Files().removeItemAtPath(path);
  if (!status.ok()) {
    if (error != nullptr) *error = APMError("platform.FileManager", static_cast<int64_t>(status.code()), status.message());
    return false;
  }
  return true;
}

bool APMMoveFile(const std::string& source, const std::string& destination, bool replace) {
  if (source.empty() || destination.empty()) return false;
  bool isDirectory = false;
  if (!Files().fileExistsAtPath(source, &isDirectory)) return true;
  if (isDirectory) return false;
  if (Files().fileExistsAtPath(destination, &isDirectory)) {
    if (isDirectory) return false;
    if (!replace) return Files().removeItemAtPath(source).ok();
    if (!Files().removeItemAtPath(destination).ok()) return false;
  }
  auto slash = destination.rfind('/');
  if (slash != std::string::npos && slash > 0 &&
      !Files().createDirectoryAtPath(destination.substr(0, slash), true).ok()) {
    return false;
  }
  return Files().moveItemAtPath(source, destination).ok();
}

bool APMMovePersistedConfigToMeasurementDirectory(const std::string& suiteName) {
  if (suiteName.empty()) return false;
  bool moved = APMMoveFile(APMPreferencesPlistPath(suiteName), APMMeasurementPlistPath(suiteName), false);
  if (moved) platform::UserDefaults::removePersistentDomainForName(suiteName);
  return moved;
}

bool APMMovePersistedConfigToUserDefaults(const std::string& suiteName) {
  if (suiteName.empty()) return false;
  std::string source = APMMeasurementPlistPath(suiteName);
  std::optional<platform::Value::Dictionary> contents;
  auto read = platform::PropertyList::readFile(source);
  if (read.ok() && read->isDictionary()) contents = *read->getDictionary();
  bool moved = APMMoveFile(source, APMPreferencesPlistPath(suiteName), true);
  if (contents) {
    platform::UserDefaults::removePersistentDomainForName(suiteName);
    platform::UserDefaults& defaults = platform::UserDefaults::suite(suiteName);
    for (const auto& [key, value] : *contents) defaults.setObject(value, key);
  }
  return moved;
}
