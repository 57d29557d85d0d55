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
  return platform::UserDefaults::suite(name).filePath();
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
  }
  auto slash = destination.rfind('/');
  if (slash != std::string::npos && slash > 0 &&
      !Files().createDirectoryAtPath(destination.substr(0, slash), true).ok()) {
    return false;
  }
  // One overwriting rename: the old destination stays until the new one is in place.
  return Files().moveItemAtPath(source, destination, replace).ok();
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
  auto read = platform::PropertyList::readFile(source);
  if (!read.ok() || !read->isDictionary()) return APMMoveFile(source, APMPreferencesPlistPath(suiteName), true);
  // Hand the whole domain to the defaults in one write so their view stays
  // coherent, and drop the source only once that write has landed.
  if (!platform::UserDefaults::setPersistentDomain(*read->getDictionary(), suiteName).ok()) return false;
  return Files().removeItemAtPath(source).ok();
}
