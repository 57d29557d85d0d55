// Complaints and tasks: raising and listing complaints, the task list, one
// task's details and its closure, complaint types and task counters. No
// loader, no alert: the screens read the replies themselves.
#pragma once

#include <string>

#include "Facility/Models/MDLCloseComplainGet.h"
#include "Facility/Models/MDLCloseComplainList.h"
#include "Facility/Models/MDLCloseComplainSave.h"
#include "Facility/Models/MDLComplainCategory.h"
#include "Facility/Models/MDLComplainList.h"
#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Platform/Foundation/Value.h"

class ComplainWebServicesManager {
 public:
  using Body = platform::Value::Dictionary;

  static ComplainWebServicesManager& shared();

  void requestComplainCategory(const std::string& facilityTypeId, ResponseCompletion<MDLComplainCategory> completion,
                               NotDelivered notDelivered = nullptr);
  // The save reply is status-only, read with the invitation's record.
  void requestComplainSave(const Body& body, ResponseCompletion<MDLInviteVisitor> completion,
                           NotDelivered notDelivered = nullptr) {
    postRequest<MDLInviteVisitor>(APIName::Case::ComplainSave, body, std::move(completion), std::move(notDelivered));
  }
  void requestComplainList(const Body& body, ResponseCompletion<MDLComplainList> completion,
                           NotDelivered notDelivered = nullptr) {
    postRequest<MDLComplainList>(APIName::Case::ComplainList, body, std::move(completion), std::move(notDelivered));
  }
  void requestMyTaskCount(ResponseCompletion<MDLMyTaskCount> completion, NotDelivered notDelivered = nullptr);
  void requestCloseComplainList(const Body& body, ResponseCompletion<MDLCloseComplainList> completion,
                                NotDelivered notDelivered = nullptr) {
    postRequest<MDLCloseComplainList>(APIName::Case::CloseComplainList, body, std::move(completion),
                                      std::move(notDelivered));
  }
  void requestCloseComplainGet(const Body& body, ResponseCompletion<MDLCloseComplainGet> completion,
                               NotDelivered notDelivered = nullptr) {
    postRequest<MDLCloseComplainGet>(APIName::Case::CloseComplainGet, body, std::move(completion),
                                     std::move(notDelivered));
  }
  void requestCloseComplainSave(const Body& body, ResponseCompletion<MDLCloseComplainSave> completion,
                                NotDelivered notDelivered = nullptr) {
    postRequest<MDLCloseComplainSave>(APIName::Case::CloseComplainSave, body, std::move(completion),
                                      std::move(notDelivered));
  }

  // The caller's dictionary goes out unchanged.
  template <class R>
  void postRequest(APIName apiName, const Body& body, ResponseCompletion<R> completion,
                   NotDelivered notDelivered = nullptr) {
    APIManager::sendIfReachable<R>(APIRequest::make(std::move(apiName), HTTPMethod::POST, body), std::move(completion),
                                   std::move(notDelivered));
  }

 private:
  ComplainWebServicesManager() = default;
};
