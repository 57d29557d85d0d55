#include "Facility/App/AppServices.h"

#include "Facility/Support/AppColor.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Support/Device.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Widgets/AppFont.h"
#include "Platform/QuorvaneMessaging/QRVConfigure.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/IQKeyboardManager.h"
#include "Platform/UIKit/NavigationBar.h"

std::shared_ptr<AppServices>& AppServices::current() {
  static std::shared_ptr<AppServices> services = std::make_shared<AppServices>();
  return services;
}

void AppServices::configureMessagingCore() { platform::QRVConfigure(); }

void AppServices::setMessagingDelegate(std::weak_ptr<platform::QRVMessagingDelegate> delegate) {
  platform::QRVMessaging::messaging().setDelegate(std::move(delegate));
}

void AppServices::setNotificationCenterDelegate(std::weak_ptr<platform::UNUserNotificationCenterDelegate> delegate) {
  platform::UNUserNotificationCenter::current().setDelegate(std::move(delegate));
}

void AppServices::requestNotificationAuthorization(
    unsigned options, std::function<void(bool, std::optional<std::string>)> completion) {
  platform::UNUserNotificationCenter::current().requestAuthorizationWithOptions(options, std::move(completion));
}

void AppServices::registerForRemoteNotifications() { uikit::Application::shared().registerForRemoteNotifications(); }

void AppServices::enableTapAndGo() { TarneloBLE::shared().isTapAndGoEnabled = true; }

void AppServices::requestAlwaysLocationAuthorization() {
  if (auto& manager = TarneloBLE::shared().locationManager) manager->requestAlwaysAuthorization();
}

void AppServices::startReachability() { NetworkReachability::shared().startListening(); }

void AppServices::enableKeyboardAvoidance() { uikit::IQKeyboardManager::shared().enable = true; }

void AppServices::styleNavigationBars() {
  uikit::NavigationBarAppearance appearance;
  appearance.configureWithOpaqueBackground();
  appearance.titleTextAttributes.foregroundColor = AppColor::white();
  appearance.titleTextAttributes.font = AppFont::appScaledFont(uikit::Font::systemFont(15, uikit::FontWeight::kMedium));
  appearance.backgroundColor = AppColor::darkBlue();
  uikit::BarButtonItemAppearance button(uikit::BarButtonItemStyle::kPlain);
  for (auto* state : {&button.normal, &button.disabled, &button.highlighted, &button.focused}) {
    state->titleTextAttributes.foregroundColor = AppColor::red();
  }
  appearance.buttonAppearance = button;
  appearance.backButtonAppearance = button;
  appearance.doneButtonAppearance = button;
  auto& proxy = uikit::NavigationBar::appearance();
  proxy.standardAppearance = appearance;
  proxy.scrollEdgeAppearance = appearance;
  proxy.compactScrollEdgeAppearance = appearance;
}

void AppServices::startBleScan() { TarneloBLE::shared().startScan(); }
