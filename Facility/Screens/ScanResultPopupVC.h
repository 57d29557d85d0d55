// The owner of a looked-up vehicle, with a message box; Send Notification
// tells that owner through the web service and, once the popup is gone,
// hands the service's message to the presenter.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/ViewController.h"

class ScanResultPopupVC : public uikit::ViewController, public uikit::TextViewDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr const char* kPlaceholder = "Enter your message here...";

  std::weak_ptr<uikit::View> popupView, closeButtonView;
  std::weak_ptr<uikit::Button> btnSendNotification;
  std::weak_ptr<uikit::TextView> txtvMessage;
  std::weak_ptr<uikit::Label> lblTitle;
  std::weak_ptr<uikit::Label> lblTenantNameText, lblAdminNameText, lblEmailText, lblMobileNoText;
  std::weak_ptr<uikit::Label> lblTenantNameValue, lblAdminNameValue, lblEmailValue, lblMobileNoValue;
  std::weak_ptr<uikit::Label> lblMessageText;
  std::shared_ptr<uikit::Label> placeholderLabel;

  // Set by the presenter before presenting; a missing owner shows and sends
  // empty values.
  std::optional<EmployeeDetailsModel> objEmp;
  std::string vehicleNumber;
  std::function<void(const std::string&)> showSuccessPopup;
  std::shared_ptr<VMFacilityDashboard> vmFacilityDashboard = std::make_shared<VMFacilityDashboard>();

  void viewDidLoad() override;
  void textViewDidChange(uikit::TextView& view) override;
  void actionClosePopup();
  void actionSendNotification();

  // The notification body: the owner's fields (no admin name), the typed
  // message and the vehicle number, every value a text.
  platform::Value::Dictionary notificationBody() const;

  static void registerScene();
};
