// The access-token refresh request and the body-less GETs of the document
// image, the unread broadcast count and logout.
#pragma once

#include <string>

#include "Facility/Models/MDLGetAccessToken.h"
#include "Facility/Models/MDLGetImage.h"
#include "Facility/Models/MDLLogout.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Network/ResponseCompletion.h"

class GlobalService {
 public:
  void requestGetAccessToken(const std::string& refreshToken, const std::string& deviceType,
                             ResponseCompletion<MDLGetAccessToken> completion, NotDelivered notDelivered = nullptr);
  void requestGetImage(ResponseCompletion<MDLGetImage> completion, NotDelivered notDelivered = nullptr) {
    requestGet<MDLGetImage>(APIName::Case::GetImage, std::move(completion), std::move(notDelivered));
  }
  void requestBroadCastNotificationCount(ResponseCompletion<NotificationCountModel> completion,
                                         NotDelivered notDelivered = nullptr) {
    requestGet<NotificationCountModel>(APIName::Case::BroadCastNotificationCount, std::move(completion),
                                       std::move(notDelivered));
  }
  void requestLogout(ResponseCompletion<MDLLogout> completion, NotDelivered notDelivered = nullptr) {
    requestGet<MDLLogout>(APIName::Case::Logout, std::move(completion), std::move(notDelivered));
  }

  template <class R>
  void requestGet(APIName apiName, ResponseCompletion<R> completion, NotDelivered notDelivered = nullptr) {
    APIManager::sendIfReachable<R>(APIRequest::make(std::move(apiName), HTTPMethod::GET), std::move(completion),
                                   std::move(notDelivered));
  }
};
