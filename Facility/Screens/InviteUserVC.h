// Stands in for the visitor invitation form until it is built: its scene
// makes this screen, which shows the categories it was handed.
#pragma once

#include <vector>

#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Screens/PlaceholderScreen.h"

class InviteUserVC : public PlaceholderScreen {
 public:
  static constexpr const char* kStoryboard = "User";

  InviteUserVC() : PlaceholderScreen("InviteUserVC") {}

  // Set by the opener before the push.
  std::vector<MDLVisitoryCategory> arrCategories;

  void viewDidLoad() override;

  // Declares this screen's scene in the "User" storyboard.
  static void registerScene();
};
