// Stands in for the facility task list until it is built: shows the
// category it was opened with and the counts it was handed.
#pragma once

#include <optional>

#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Screens/ComplainTaskCategory.h"
#include "Facility/Screens/PlaceholderScreen.h"

class FacilityTaskListVC : public PlaceholderScreen {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  FacilityTaskListVC() : PlaceholderScreen("FacilityTaskListVC") {}

  ComplainTaskCategory taskStatus = ComplainTaskCategory::none;
  std::optional<MDLMyTaskCount> objMyTaskCount;

  void viewDidLoad() override;

  static void registerScene();
};
