// View model of the user dashboard: hides the loader before the screen hears the reply.
#pragma once

#include <memory>

#include "Facility/Services/UserdashboardService.h"

class VMUserDashboard {
 public:
  std::shared_ptr<UserdashboardService> userdashboardService = std::make_shared<UserdashboardService>();

  void requestUserDashboard(ResponseCompletion<MDLUserDashboard> completion, NotDelivered notDelivered = nullptr);
};
