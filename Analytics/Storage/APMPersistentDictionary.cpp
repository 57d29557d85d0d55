#include "Analytics/Storage/APMPersistentDictionary.h"

#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

constexpr const char* kTag = "<VurAvizivozora>";

}  // namespace

std::shared_ptr<APMPersistentDictionary> APMPersistentDictionary::initWithFileName(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  std::string path = APMMeasurementPlistPath(fileName);
  if (path.empty()) return nullptr;
  auto slash = path.rfind('/');
  if (!platform::FileManager::defaultManager().createDirectoryAtPath(path.substr(0, slash), true).ok()) {
    platform::TVULogError(kTag, false, "I-ACS043004", "Cannot create subdirectories for config plist files.");
    return nullptr;
  }
  return std::shared_ptr<APMPersistentDictionary>(new APMPersistentDictionary(path));
}

APMPersistentDictionary::APMPersistentDictionary(std::string path)
    : state_(std::make_shared<State>()), serialQueue_(platform::DispatchQueue::create("APMPersistentDictionary")) {
  state_->path = std::move(path);
  auto contents = platform::PropertyList::readFile(state_->path);
  if (contents.ok() && contents->isDictionary()) state_->content = *contents->getDictionary();
}

APMPersistentDictionary::~APMPersistentDictionary() {
  bool pending = false;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    pending = state_->hasPendingPersistence;
  }
  if (pending) state_->persist();
}

std::optional<platform::Value> APMPersistentDictionary::objectForKey(std::string_view key) const {
  if (key.empty()) {
    platform::TVULogWarning(kTag, false, "I-ACS043001", "Cannot get object for invalid config key.");
    return std::nullopt;
  }
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->content.find(key);
  if (it == state_->content.end()) return std::nullopt;
  return it->second;
}

platform::Status APMPersistentDictionary::setObject(const platform::Value& value, std::string_view key) {
  if (key.empty()) {
    platform::TVULogWarning(kTag, false, "I-ACS043002", "Cannot set object for invalid config key.");
    return platform::Status::InvalidArgument("empty key");
  }
  if (!value.isNull() && platform::PropertyList::writeXml(value).ok() == false) {
    // Only what a property list can hold is accepted (a nested null is not).
    platform::TVULogWarning(kTag, false, "I-ACS043003",
                            "Cannot set invalid object to config. Must be a string, number, array, dictionary, "
                            "date, or data. Value %@",
                            {value.description()});
    return platform::Status::InvalidArgument("not a property-list value");
  }
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    auto it = state_->content.find(key);
    if (value.isNull()) {
      if (it != state_->content.end()) {
        state_->content.erase(it);
        changed = true;
      }
    } else if (it == state_->content.end() || it->second != value) {
      state_->content[std::string(key)] = value;
      changed = true;
    }
  }
  if (changed) schedulePersistToDisk();
  return platform::Status::OK();
}

void APMPersistentDictionary::removeObjectForKey(std::string_view key) { setObject(platform::Value(), key); }

void APMPersistentDictionary::clearAllData() {
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (!state_->content.empty()) {
      state_->content.clear();
      changed = true;
    }
  }
  if (changed) schedulePersistToDisk();
}

void APMPersistentDictionary::schedulePersistToDisk() {
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->hasPendingPersistence) return;
    state_->hasPendingPersistence = true;
  }
  std::weak_ptr<State> weak = state_;
  serialQueue_->after(1.0, [weak] {
    if (auto state = weak.lock()) state->persist();
  });
}

void APMPersistentDictionary::persistToDisk() { state_->persist(); }

void APMPersistentDictionary::State::persist() {
  platform::Value::Dictionary copy;
  std::string target;
  {
    std::lock_guard<std::mutex> lock(mu);
    copy = content;
    target = path;
    hasPendingPersistence = false;
  }
  platform::Status status = platform::PropertyList::writeFile(target, platform::Value(std::move(copy)));
  if (!status.ok()) platform::TVULogError(kTag, false, "I-ACS043000", "Cannot persist configs to disk");
}
