#include "Facility/Services/VMGlobal.h"

#include "Facility/Services/ViewModelLoader.h"

void VMGlobal::requestGetImage(ResponseCompletion<MDLGetImage> completion, NotDelivered notDelivered) {
  globalService->requestGetImage(ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}

void VMGlobal::requestBroadCastNotificationCount(ResponseCompletion<NotificationCountModel> completion,
                                                 NotDelivered notDelivered) {
  globalService->requestBroadCastNotificationCount(ViewModelLoader::hidingBefore(std::move(completion)),
                                                   std::move(notDelivered));
}

void VMGlobal::requestLogout(ResponseCompletion<MDLLogout> completion, NotDelivered notDelivered) {
  globalService->requestLogout(ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}
