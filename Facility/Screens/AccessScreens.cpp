#include "Facility/Screens/AccessScreens.h"

#include <utility>

#include "Facility/Screens/DefaultFloorCell.h"
#include "Facility/Screens/FloorCell.h"
#include "Facility/Screens/FloorSelectionVC.h"
#include "Facility/Screens/InviteVC.h"
#include "Facility/Screens/ScanResultFailedPopupVC.h"
#include "Facility/Screens/ScanResultPopupVC.h"
#include "Facility/Screens/SelectedFloorCell.h"
#include "Facility/Screens/SendNotificationSuccessPopupVC.h"
#include "Facility/Screens/SensitivityVC.h"
#include "Facility/Screens/SuccessPopup.h"
#include "Platform/UIKit/Image.h"

namespace {

// The artwork is not part of the program: plain swatches stand in, green
// for a chosen floor and gray otherwise.
void registerImages() {
  const uikit::Color green = uikit::Color::rgb255(93, 194, 65);
  const uikit::Color gray = uikit::Color::rgb255(160, 160, 160);
  const std::pair<const char*, uikit::Color> lift[] = {
      {"liftupgray", gray},       {"liftupgreen", green},     {"liftdowngray", gray},
      {"liftdowngreen", green},   {"liftbuttongray", gray},   {"liftbuttongreen", green},
  };
  for (const auto& [name, color] : lift) uikit::Image::registerNamed(name, uikit::Image::filled({26, 26}, color));
  uikit::Image::registerNamed("ddl_arrow", uikit::Image::filled({15, 15}, gray));
  uikit::Image::registerNamed("gearshape", uikit::Image::filled({24, 24}, gray));
}

}  // namespace

void AccessScreens::registerAll() {
  registerImages();
  DefaultFloorCell::registerNib();
  SelectedFloorCell::registerNib();
  FloorCell::registerNib();
  InviteVC::registerScene();
  FloorSelectionVC::registerScene();
  SensitivityVC::registerScene();
  ScanResultPopupVC::registerScene();
  SendNotificationSuccessPopupVC::registerScene();
  ScanResultFailedPopupVC::registerScene();
  SuccessPopup::registerNib();
}
