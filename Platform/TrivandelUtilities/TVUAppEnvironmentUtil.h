// What the utilities library tells about the device: the toolkit's device
// profile (uikit::Device::current()), never the host's kernel, whose release
// number says nothing about the phone the system pretends to be.
#pragma once

#include <string>

namespace platform {

class TVUAppEnvironmentUtil {
 public:
  // The profile's model, such as "iPhone".
  static std::string deviceModel();
  // The profile's system version, such as "17.0".
  static std::string systemVersion();
};

}  // namespace platform
