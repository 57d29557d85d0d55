// Collects the properties of every registered SDK and builds the body of
// the experiments fetch. Safe to use from any thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"

class APMESDKProperty;

class APMEExperimentRequestBuilder {
 public:
  static APMEExperimentRequestBuilder& sharedInstance();

  // Replaces an earlier property of the same name; nullptr is logged (880000).
  void addSDKProperty(const std::shared_ptr<APMESDKProperty>& property);
  // Index 0 "ios", 3 the first preferred language lower-cased (unset when
  // there is none), 4 the main bundle's identifier, 6 the module version.
  std::shared_ptr<APMPBAppProperty> appPropertyProto() const;
  // Index 0 the app property, 1 every property that encodes (set only when
  // one does).
  std::shared_ptr<APMPBExperimentRequest> request() const;

  void removeAllSDKPropertiesForTesting();

 private:
  mutable std::mutex mu_;
  std::map<std::string, std::shared_ptr<APMESDKProperty>> clientPropertyBySDKName_;
};
