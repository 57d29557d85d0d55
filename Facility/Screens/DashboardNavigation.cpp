#include "Facility/Screens/DashboardNavigation.h"

#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"
#include "Platform/UIKit/NavigationController.h"

void DashboardNavigation::push(uikit::ViewController& from, const uikit::ViewControllerPtr& screen) {
  if (!screen) return;
  if (auto navigation = from.navigationController()) navigation->pushViewController(screen, true);
}

void DashboardNavigation::openProfile(uikit::ViewController& from,
                                      const std::shared_ptr<UserSelectionDelegate>& delegate) {
  auto screen =
      std::dynamic_pointer_cast<SwitchUserVC>(Storyboards::instantiateScreen(StoryboardName::user, "SwitchUserVC"));
  if (!screen) return;
  screen->userSelectionDelegate = delegate;
  push(from, screen);
}

void DashboardNavigation::openNotifications(uikit::ViewController& from) {
  push(from, Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityAdminNotificationListVC"));
}

void DashboardNavigation::rebuildRootForStoredRole() {
  auto session = LocalStorage::currentSession();
  if (!session) return;
  session->setSessionUserType(CurrentUserType::shared().currentUserType());
  session->setRootViewController();
}
