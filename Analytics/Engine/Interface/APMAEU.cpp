#include "Analytics/Engine/Interface/APMAEU.h"

#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Platform/StoreKit/AppStoreReceipt.h"
#include "Platform/TrivandelUtilities/TVUAppEnvironmentUtil.h"
#include "Platform/UIKit/Application.h"

std::optional<std::string> APMAEU::appStoreRURL() {
  auto check = APMMainBundle::infoValue("QuorvaneAppStoreReceiptURLCheckEnabled");
  if (check && check->isNumber() && check->numberAsDouble().value_or(1) == 0) return std::nullopt;
  return storekit::AppStoreReceipt::url();
}

bool APMAEU::isASRS() {
  auto url = appStoreRURL();
  if (!url) return false;
  auto slash = url->rfind('/');
  return url->substr(slash == std::string::npos ? 0 : slash + 1) == "sandboxReceipt";
}

bool APMAEU::isNOD() {
  std::string model = deviceModel();
  return model == "x86_64" || model == "i386";
}

std::string APMAEU::deviceModel() { return platform::TVUAppEnvironmentUtil::deviceModel(); }

std::string APMAEU::systemVersion() { return platform::TVUAppEnvironmentUtil::systemVersion(); }

bool APMAEU::isAEX() {
  std::string path = APMMainBundle::bundlePath();
  return path.size() >= 6 && path.compare(path.size() - 6, 6, ".appex") == 0;
}

uikit::Application* APMAEU::sharedApplication() {
  if (isAEX()) return nullptr;
  return &uikit::Application::shared();
}
