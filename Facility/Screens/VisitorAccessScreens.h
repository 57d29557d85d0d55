// Registers the scenes, nibs and images of the visitor form and the
// access-assignment screen in one step for ScreenRegistry.
#pragma once

class VisitorAccessScreens {
 public:
  static void registerAll();
};
