#include "Platform/TrivandelUtilities/TVUAppEnvironmentUtil.h"

#include "Platform/UIKit/Device.h"

namespace platform {

std::string TVUAppEnvironmentUtil::deviceModel() { return uikit::Device::current().model; }

std::string TVUAppEnvironmentUtil::systemVersion() { return uikit::Device::current().systemVersion; }

}  // namespace platform
