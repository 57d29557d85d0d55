#include "Facility/Screens/UserDashboardScreens.h"

#include "Facility/Screens/UserDashboardVC.h"

void UserDashboardScreens::registerAll() {
  UserDashboardVC::registerScene();
}
