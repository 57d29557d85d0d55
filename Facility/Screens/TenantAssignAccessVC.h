// Stands in for the access-assignment screen until it is built: its scene
// makes this screen, which shows the employee it was handed.
#pragma once

#include <optional>
#include <string>

#include "Facility/Screens/PlaceholderScreen.h"

class TenantAssignAccessVC : public PlaceholderScreen {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";

  TenantAssignAccessVC() : PlaceholderScreen("TenantAssignAccessVC") {}

  // Set by the opener before the push.
  std::optional<std::string> userId;
  std::optional<std::string> userName;
  bool isFromUserDashboard = false;

  void viewDidLoad() override;

  // Declares this screen's scene in the "TenantAdmin" storyboard.
  static void registerScene();
};
