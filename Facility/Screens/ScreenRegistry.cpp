#include "Facility/Screens/ScreenRegistry.h"

#include "Facility/Screens/AccessScreens.h"
#include "Facility/Screens/ComplaintScreens.h"
#include "Facility/Screens/DashboardScreens.h"
#include "Facility/Screens/FacilityAdminNotificationListVC.h"
#include "Facility/Screens/NumberScannerVC.h"
#include "Facility/Screens/PlaceholderScreen.h"
#include "Facility/Screens/SignInScreens.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Screens/TenantDashboardVC.h"
#include "Facility/Screens/UserDashboardScreens.h"
#include "Facility/Screens/VisitorAccessScreens.h"
#include "Platform/UIKit/MainBundleClasses.h"
#include "Platform/UIKit/Storyboard.h"

void ScreenRegistry::registerAll() {
  SwitchUserVC::registerScene();
  AccessScreens::registerAll();
  FacilityAdminNotificationListVC::registerScene();
  SignInScreens::registerAll();
  UserDashboardScreens::registerAll();
  NumberScannerVC::registerScene();
  VisitorAccessScreens::registerAll();
  DashboardScreens::registerAll();
  ComplaintScreens::registerAll();
  TenantDashboardVC::registerScene();
  PlaceholderScreen::registerMissingScenes();
  // Every scene is named after its controller's class: these are the app's
  // own classes, which screen reporting tells from the toolkit's.
  for (const auto& name : uikit::Storyboard::names()) {
    if (auto storyboard = uikit::Storyboard::named(name)) {
      for (const auto& identifier : storyboard->identifiers()) uikit::MainBundleClasses::add(identifier);
    }
  }
  uikit::MainBundleClasses::add("PlaceholderScreen");
}
