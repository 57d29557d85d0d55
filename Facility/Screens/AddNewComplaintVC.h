// Stands in for the complaint form until it is built: "Save" tells the
// opener once (actionUpdateCount) that a complaint was added and goes back
// to the root screen.
#pragma once

#include <functional>

#include "Facility/Screens/PlaceholderScreen.h"

class AddNewComplaintVC : public PlaceholderScreen {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";
  AddNewComplaintVC() : PlaceholderScreen("AddNewComplaintVC") {}

  std::function<void()> actionUpdateCount;

  void viewDidLoad() override;
  void save();

  static void registerScene();

 private:
  bool saved_ = false;
};
