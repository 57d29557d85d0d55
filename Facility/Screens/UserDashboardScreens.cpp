#include "Facility/Screens/UserDashboardScreens.h"

#include "Facility/Screens/InviteUserVC.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Screens/UserDashboardVC.h"

void UserDashboardScreens::registerAll() {
  UserDashboardVC::registerScene();
  InviteUserVC::registerScene();
  TenantAssignAccessVC::registerScene();
}
