#include "Facility/Screens/DashboardScreens.h"

#include "Facility/Screens/FacilityDashoboardVC.h"
#include "Facility/Screens/FacilityManageComplainCell.h"
#include "Facility/Screens/FacilityRaiseComplainCell.h"

void DashboardScreens::registerAll() {
  FacilityDashoboardVC::registerScene();
  // The tenant dashboard's complaint cells.
  FacilityRaiseComplainCell::registerNib();
  FacilityManageComplainCell::registerNib();
}
