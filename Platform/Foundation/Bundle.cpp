#include "Platform/Foundation/Bundle.h"

#include <sys/stat.h>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"

namespace platform {
namespace {

bool ClimbsOut(std::string_view relative) {
  if (!relative.empty() && relative.front() == '/') return true;
  std::size_t start = 0;
  while (start <= relative.size()) {
    const auto end = relative.find('/', start);
    if (relative.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start) == "..")
      return true;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace

Bundle::Bundle(std::string path) : isMain_(false), path_(std::move(path)) {}

Bundle::Bundle(MainTag) : isMain_(true) {}

Bundle& Bundle::main() {
  static Bundle* bundle = new Bundle(MainTag{});  // lives for the process
  return *bundle;
}

void Bundle::setMainBundlePath(std::optional<std::string> path) {
  Bundle& b = main();
  std::lock_guard<std::mutex> lock(b.mu_);
  b.path_ = std::move(path);
}

std::string Bundle::pathLocked() const {
  if (path_) return *path_;
  return DataRoot::root() + "/Bundle";
}

std::string Bundle::bundlePath() const {
  std::lock_guard<std::mutex> lock(mu_);
  return pathLocked();
}

const Value::Dictionary& Bundle::infoLocked() const {
  if (override_) return *override_;
  const std::string path = pathLocked();
  if (cachedPath_ == path) return cachedInfo_;
  cachedPath_ = path;
  cachedInfo_.clear();
  auto read = PropertyList::readFile(path + "/Info.plist");
  if (read.ok()) {
    if (const auto* dict = read->getDictionary()) {
      cachedInfo_ = *dict;
    } else {
      LogWarning("Bundle: Info.plist at " + path + " is not a dictionary");
    }
  } else if (!read.status().IsNotFound()) {
    LogWarning("Bundle: cannot read Info.plist at " + path + ": " + read.status().ToString());
  }
  // The standard user-defaults suite is named after the application.
  if (isMain_) {
    if (auto it = cachedInfo_.find("CFBundleIdentifier"); it != cachedInfo_.end()) {
      if (const auto* id = it->second.getString(); id && !id->empty()) DataRoot::setApplicationIdentifier(*id);
    }
  }
  return cachedInfo_;
}

Value::Dictionary Bundle::infoDictionary() const {
  std::lock_guard<std::mutex> lock(mu_);
  return infoLocked();
}

std::optional<Value> Bundle::objectForInfoDictionaryKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const auto& info = infoLocked();
  auto it = info.find(key);
  if (it == info.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> Bundle::textForKey(std::string_view key) const {
  auto value = objectForInfoDictionaryKey(key);
  if (!value) return std::nullopt;
  if (const auto* text = value->getString()) return *text;
  return std::nullopt;
}

std::optional<std::string> Bundle::bundleIdentifier() const { return textForKey("CFBundleIdentifier"); }
std::optional<std::string> Bundle::shortVersionString() const { return textForKey("CFBundleShortVersionString"); }
std::optional<std::string> Bundle::bundleVersion() const { return textForKey("CFBundleVersion"); }

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type) const {
  if (name.empty()) return std::nullopt;
  std::string relative(name);
  if (!type.empty()) {
    relative += '.';
    relative += type;
  }
  if (ClimbsOut(relative)) return std::nullopt;
  const std::string full = bundlePath() + "/" + relative;
  struct stat st {};
  if (::stat(full.c_str(), &st) != 0) return std::nullopt;
  return full;
}

void Bundle::setInfoDictionaryOverride(std::optional<Value::Dictionary> info) {
  std::lock_guard<std::mutex> lock(mu_);
  override_ = std::move(info);
  if (isMain_ && override_) {
    if (auto it = override_->find("CFBundleIdentifier"); it != override_->end()) {
      if (const auto* id = it->second.getString(); id && !id->empty()) DataRoot::setApplicationIdentifier(*id);
    }
  }
}

}  // namespace platform
