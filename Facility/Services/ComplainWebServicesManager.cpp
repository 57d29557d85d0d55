#include "Facility/Services/ComplainWebServicesManager.h"

ComplainWebServicesManager& ComplainWebServicesManager::shared() {
  static ComplainWebServicesManager* manager = new ComplainWebServicesManager();
  return *manager;
}

void ComplainWebServicesManager::requestComplainCategory(const std::string& facilityTypeId,
                                                         ResponseCompletion<MDLComplainCategory> completion,
                                                         NotDelivered notDelivered) {
  postRequest<MDLComplainCategory>(APIName::Case::ComplainCategory, Body{{"FTID", facilityTypeId}},
                                   std::move(completion), std::move(notDelivered));
}

void ComplainWebServicesManager::requestMyTaskCount(ResponseCompletion<MDLMyTaskCount> completion,
                                                    NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLMyTaskCount>(APIRequest::make(APIName::Case::MyTaskCount, HTTPMethod::GET),
                                              std::move(completion), std::move(notDelivered));
}
