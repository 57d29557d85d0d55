#include "Facility/Screens/VisitorAccessScreens.h"

#include "Facility/Screens/FloorNumberCell.h"
#include "Facility/Screens/InviteUserCell.h"
#include "Facility/Screens/InviteUserVC.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Screens/TenantAsssignAccessCell.h"
#include "Platform/UIKit/Image.h"

void VisitorAccessScreens::registerAll() {
  // The drop-down arrow's artwork is not part of the program: a green swatch.
  uikit::Image::registerNamed("ddl_green", uikit::Image::filled({15, 15}, uikit::Color::rgb255(93, 194, 65)));
  FloorNumberCell::registerNib();
  TenantAsssignAccessCell::registerNib();
  InviteUserCell::registerNib();
  InviteUserVC::registerScene();
  TenantAssignAccessVC::registerScene();
}
