#include "Facility/Screens/SuccessRootRebuild.h"

#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/HudAlert.h"

void SuccessRootRebuild::show(std::optional<std::string> toast) {
  HudAlert::showSuccess([toast = std::move(toast)](bool) {
    if (auto session = LocalStorage::currentSession()) session->setRootViewController();
    if (toast) AppToastAlert::show(ToastPosition::bottom, *toast);
  });
}
