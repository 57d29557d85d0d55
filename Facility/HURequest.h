#pragma once
#include <optional>
#include <string>

#include "Facility/HUHttpMethods.h"
#include "Platform/Foundation/URL.h"

struct HURequest {
  platform::URL url;
  HUHttpMethods method = HUHttpMethods::POST;
  std::optional<std::string> requestBody;
};
