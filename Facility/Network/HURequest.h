#pragma once
#include <optional>
#include <string>

#include "Facility/Network/HUHttpMethods.h"
#include "Platform/Foundation/URL.h"

struct HURequest {
  platform::URL url;
  HUHttpMethods method = HUHttpMethods::POST;
  std::optional<std::string> requestBody;
};
