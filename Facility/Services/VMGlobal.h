// View model over GlobalService for one request: the document image, the
// unread broadcast count and logout. Each hides the loader, then completes.
#pragma once

#include <memory>

#include "Facility/Services/GlobalService.h"

class VMGlobal {
 public:
  explicit VMGlobal(std::shared_ptr<GlobalService> service = std::make_shared<GlobalService>())
      : globalService(std::move(service)) {}

  std::shared_ptr<GlobalService> globalService;

  void requestGetImage(ResponseCompletion<MDLGetImage> completion, NotDelivered notDelivered = nullptr);
  void requestBroadCastNotificationCount(ResponseCompletion<NotificationCountModel> completion,
                                         NotDelivered notDelivered = nullptr);
  void requestLogout(ResponseCompletion<MDLLogout> completion, NotDelivered notDelivered = nullptr);
};
