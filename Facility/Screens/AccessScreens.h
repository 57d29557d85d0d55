// Registers the scenes, nibs and images of the onboarding, floor, sensitivity
// and vehicle-owner screens in one step for ScreenRegistry.
#pragma once

class AccessScreens {
 public:
  static void registerAll();
};
