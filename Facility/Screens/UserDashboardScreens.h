// Registers the user dashboard's scene with its door-cell nib, and the
// stand-in scenes of the visitor form and the access assignment, in one step
// for ScreenRegistry.
#pragma once

class UserDashboardScreens {
 public:
  static void registerAll();
};
