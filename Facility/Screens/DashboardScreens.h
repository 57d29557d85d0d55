// Registers the facility dashboard and the complaint cells both dashboards
// show, in one step for ScreenRegistry.
#pragma once

class DashboardScreens {
 public:
  static void registerAll();
};
