// The plain user's dashboard.
#pragma once

#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Network/ResponseCompletion.h"

class UserdashboardService {
 public:
  void requestUserDashboard(ResponseCompletion<MDLUserDashboard> completion, NotDelivered notDelivered = nullptr);
};
