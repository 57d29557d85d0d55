#include "Facility/Screens/VehicleLookupPopup.h"

#include "Facility/Screens/ScanResultFailedPopupVC.h"
#include "Facility/Screens/ScanResultPopupVC.h"
#include "Facility/Screens/SendNotificationSuccessPopupVC.h"

void VehicleLookupPopup::style(const uikit::ViewControllerPtr& popup) {
  popup->modalPresentationStyle = uikit::ModalPresentationStyle::kOverCurrentContext;
  popup->modalTransitionStyle = uikit::ModalTransitionStyle::kCrossDissolve;
}

uikit::ViewControllerPtr VehicleLookupPopup::forReply(const VehicleDetailsModel& reply, Actions actions) {
  if (reply.isSuccess.value_or(false)) {
    if (!reply.empList || reply.empList->empty()) return nullptr;
    auto popup = uikit::ViewController::instantiateFromStoryboard<ScanResultPopupVC>(kStoryboard);
    if (!popup) return nullptr;
    popup->objEmp = reply.empList->front();
    popup->vehicleNumber = reply.vehicleNumber.value_or("");
    popup->showSuccessPopup = std::move(actions.showSuccessPopup);
    style(popup);
    return popup;
  }
  auto popup = uikit::ViewController::instantiateFromStoryboard<ScanResultFailedPopupVC>(kStoryboard);
  if (!popup) return nullptr;
  popup->faildMessage = reply.message.value_or("");
  popup->actionScanAgain = std::move(actions.scanAgain);
  popup->actionAddManually = std::move(actions.addManually);
  style(popup);
  return popup;
}

uikit::ViewControllerPtr VehicleLookupPopup::notificationSent(const std::string& message,
                                                              std::function<void()> messageDisplayed) {
  auto popup = uikit::ViewController::instantiateFromStoryboard<SendNotificationSuccessPopupVC>(kStoryboard);
  if (!popup) return nullptr;
  popup->successMessage = message;
  popup->messageDisplayed = std::move(messageDisplayed);
  style(popup);
  return popup;
}
