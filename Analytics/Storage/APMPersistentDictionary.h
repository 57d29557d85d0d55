// An in-memory dictionary backed by a property-list file in the measurement
// directory. A change schedules one write a second later on the dictionary's
// own queue, which carries every change made until it runs; destruction
// writes a pending change at once.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Analytics/Engine/Monitor/APMKeyValueStore.h"

namespace platform {
class DispatchQueue;
}

class APMPersistentDictionary : public APMKeyValueStore {
 public:
  // None for an empty name or when its directory cannot be made.
  static std::shared_ptr<APMPersistentDictionary> initWithFileName(const std::string& fileName);
  ~APMPersistentDictionary() override;

  std::optional<platform::Value> objectForKey(std::string_view key) const override;
  platform::Status setObject(const platform::Value& value, std::string_view key) override;
  void removeObjectForKey(std::string_view key) override;
  void clearAllData() override;
  // Writes follow their own schedule.
  bool synchronize() override { return true; }

  void schedulePersistToDisk();
  void persistToDisk();
  const std::string& filePath() const { return state_->path; }

  struct State {
    std::string path;
    mutable std::mutex mu;
    platform::Value::Dictionary content;  // guarded by mu
    bool hasPendingPersistence = false;   // guarded by mu
    void persist();
  };

 private:
  explicit APMPersistentDictionary(std::string path);

  std::shared_ptr<State> state_;
  std::shared_ptr<platform::DispatchQueue> serialQueue_;
};
