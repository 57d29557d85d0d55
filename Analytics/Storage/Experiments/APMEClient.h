// The handle an SDK keeps after registering with the experiments manager:
// it reads the SDK's flags and activates, checks and resets its snapshot,
// each through the manager under the SDK's name.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"

class APMEExperimentObserverDelegate;
class APMEManager;
class APMESDKProperty;

class APMEClient {
 public:
  // None (logged) without a property (830000); the flags may be empty.
  static std::shared_ptr<APMEClient> initWithSDKProperty(std::shared_ptr<APMESDKProperty> property,
                                                         std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
                                                         std::weak_ptr<APMEManager> manager);

  // The flag's value: activated experiment, else launched, else the
  // default; nil for an empty name (830002) or an unknown flag.
  APMPBObject valueForFlag(std::string_view flagName) const;
  // The subscript form: a key that is not text gives nil (830003).
  APMPBObject objectForKeyedSubscript(const APMPBObject& key) const;
  bool activateLatestSnapshot(APMError* error);
  bool hasStaleSnapshot() const;
  void resetToDefaults();

  std::string SDKName() const;
  std::vector<std::shared_ptr<APMPBFlag>> defaultFlags() const { return defaultFlags_; }
  const std::shared_ptr<APMESDKProperty>& SDKProperty() const { return SDKProperty_; }
  std::shared_ptr<APMEExperimentObserverDelegate> delegate() const;
  void setDelegate(std::weak_ptr<APMEExperimentObserverDelegate> delegate);

 private:
  APMEClient(std::shared_ptr<APMESDKProperty> property, std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
             std::weak_ptr<APMEManager> manager);

  const std::shared_ptr<APMESDKProperty> SDKProperty_;
  const std::vector<std::shared_ptr<APMPBFlag>> defaultFlags_;
  const std::weak_ptr<APMEManager> manager_;
  mutable std::mutex mu_;
  std::weak_ptr<APMEExperimentObserverDelegate> delegate_;
};
