// The optional on-device conversion add-on as the engine calls it. The
// add-on is no part of this library: it registers its class in
// platform::ClassRegistry under kClassName, whose factory gives an
// APMPrivateSetMembershipClientClass. Without it the feature stays off.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

class APMPrivateSetMembershipClient {
 public:
  static constexpr const char* kClassName = "APMPrivateSetMembershipClient";
  // inputType of a client made from a phone number.
  static constexpr int64_t kInputTypePhoneNumber = 2;

  virtual ~APMPrivateSetMembershipClient() = default;
  // The query URL for this attempt; none when the add-on cannot form one.
  virtual std::optional<std::string> PSMRequestURLWithRetryCount(int64_t retryCount) = 0;
  virtual int64_t inputType() const = 0;
  // None when the add-on has no debug key.
  virtual std::optional<std::string> debugKey() const { return std::nullopt; }
  // The matched value; empty when there is no match.
  virtual std::string parsedPSMValueFromResponse(const platform::Bytes& data) = 0;
};

// The add-on's initialisers; an empty one is an initialiser it lacks.
struct APMPrivateSetMembershipClientClass {
  using Make = std::function<std::shared_ptr<APMPrivateSetMembershipClient>(const std::string& input,
                                                                           const std::string& appID)>;
  using MakeWithPrefix = std::function<std::shared_ptr<APMPrivateSetMembershipClient>(
      const std::string& input, const std::string& appID, int32_t prefixBitLength)>;
  MakeWithPrefix initWithEmailAddressPrefixBitLength;
  Make initWithEmailAddress;
  MakeWithPrefix initWithPhoneNumberPrefixBitLength;
  Make initWithPhoneNumber;
};
