#include "Facility/Services/UserdashboardService.h"

void UserdashboardService::requestUserDashboard(ResponseCompletion<MDLUserDashboard> completion,
                                                NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLUserDashboard>(APIRequest::make(APIName::Case::UserDashboard, HTTPMethod::GET),
                                                std::move(completion), std::move(notDelivered));
}
