// A registered SDK as the experiments service sees it: name, version, app
// ID, diversion key and custom properties, static and from a delegate. The
// setters and the encoding may run on different queues, so the fields are
// guarded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"

class APMESDKPropertyProviderDelegate;

class APMESDKProperty {
 public:
  // None (logged, 860000) without a name; an empty name is accepted.
  static std::shared_ptr<APMESDKProperty> initWithName(const std::optional<std::string>& name);

  // The diversion key used when the property has none of its own: the
  // engine identity's. Tests replace it; an empty function restores it.
  static void setFallbackDiversionKeyProviderForTesting(std::function<std::string()> provider);

  // Index 0 name, 1 "<diversion key>-<name>", 2 version, 3 app ID, 4 custom
  // properties (only when there is one; a dynamic one replaces a static one
  // of the same key). None (logged, 860001) when no diversion key is known.
  std::shared_ptr<APMPBClientProperty> proto() const;

  const std::string& name() const { return name_; }
  int64_t version() const;
  void setVersion(int64_t version);
  std::optional<std::string> appID() const;
  void setAppID(std::optional<std::string> appID);
  std::optional<std::string> diversionKey() const;
  void setDiversionKey(std::optional<std::string> diversionKey);
  std::map<std::string, std::string> customProperties() const;
  void setCustomProperties(std::map<std::string, std::string> customProperties);
  std::shared_ptr<APMESDKPropertyProviderDelegate> delegate() const;
  void setDelegate(std::weak_ptr<APMESDKPropertyProviderDelegate> delegate);

 private:
  explicit APMESDKProperty(std::string name) : name_(std::move(name)) {}

  const std::string name_;
  mutable std::mutex mu_;
  int64_t version_ = 0;
  std::optional<std::string> appID_;
  std::optional<std::string> diversionKey_;
  std::map<std::string, std::string> customProperties_;
  std::weak_ptr<APMESDKPropertyProviderDelegate> delegate_;
};
