// Registers the user dashboard's scene with its door-cell nib in one step
// for ScreenRegistry.
#pragma once

class UserDashboardScreens {
 public:
  static void registerAll();
};
