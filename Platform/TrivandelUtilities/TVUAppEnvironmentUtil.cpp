#include "Platform/TrivandelUtilities/TVUAppEnvironmentUtil.h"

#include <sys/utsname.h>

namespace platform {

std::string TVUAppEnvironmentUtil::deviceModel() {
  struct utsname name {};
  if (uname(&name) != 0) return "linux";
  return std::string("linux-") + name.machine;
}

std::string TVUAppEnvironmentUtil::systemVersion() {
  struct utsname name {};
  if (uname(&name) != 0) return "";
  return name.release;
}

}  // namespace platform
