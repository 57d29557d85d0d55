// The attribution-token service of the ad framework, looked up by its class
// name "AAAttribution" in the class registry. The platform registers none;
// tests register it with a token or an error to hand out.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Status.h"

namespace adservices {

inline constexpr const char* kAAAttributionClassName = "AAAttribution";

// What the registry instantiates for the class name. An empty
// attributionTokenWithError means the class does not answer it.
struct AAAttribution {
  std::function<platform::Result<std::string>()> attributionTokenWithError;

  // Registers the class answering with the token, or with the error.
  static void registerWithToken(std::string token);
  static void registerWithError(platform::Status error);
  // The class without the token method.
  static void registerWithoutTokenMethod();
  static void unregister();
  // Tokens handed out since the last registration.
  static int tokensRequested();
};

}  // namespace adservices
