// What the utilities library tells about the device.
#pragma once

#include <string>

namespace platform {

class TVUAppEnvironmentUtil {
 public:
  // "linux-<machine>" (never a bare machine name such as "x86_64", which
  // would read as a simulator).
  static std::string deviceModel();
  // The kernel release.
  static std::string systemVersion();
};

}  // namespace platform
