#include "Facility/Services/NotificationCountRefresher.h"

#include <memory>
#include <string>

#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace {

void post(const std::string& count) {
  platform::NotificationCenter::defaultCenter().post(NotificationCountRefresher::kNotificationName,
                                                     {{NotificationCountRefresher::kCountKey, count}});
}

}  // namespace

void NotificationCountRefresher::refreshNotificationCount() {
  if (!UserDefaultsAccess::isSet(UserDefaultsKey::isUserLogin)) {
    post("0");
    return;
  }
  ViewModelLoader::show();
  VMGlobal(std::make_shared<GlobalService>())
      .requestBroadCastNotificationCount(
          [](DataResponse<NotificationCountModel> response) { postNotificationCount(response); });
}

void NotificationCountRefresher::postNotificationCount(const DataResponse<NotificationCountModel>& response) {
  if (!response.value || !response.value->isSuccess.value_or(false)) return;
  post(response.value->total.value_or("0"));
}
