// Registers the facility and tenant dashboards with their cells' nibs and
// the stand-in scenes they open, in one step for ScreenRegistry.
#pragma once

class DashboardScreens {
 public:
  static void registerAll();
};
