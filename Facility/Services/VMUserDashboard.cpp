#include "Facility/Services/VMUserDashboard.h"

#include "Facility/Services/ViewModelLoader.h"

void VMUserDashboard::requestUserDashboard(ResponseCompletion<MDLUserDashboard> completion, NotDelivered notDelivered) {
  userdashboardService->requestUserDashboard(ViewModelLoader::hidingBefore(std::move(completion)),
                                             std::move(notDelivered));
}
