// A named place a reverse geocoding answers with.
#pragma once

#include <optional>
#include <string>

#include "Platform/CoreLocation/CLLocation.h"

namespace corelocation {

struct CLPlacemark {
  std::optional<CLLocation> location;
  std::optional<std::string> name;
  std::optional<std::string> locality;
  std::optional<std::string> country;
};

}  // namespace corelocation
