// The popups a vehicle lookup leads to, made and styled in one place for
// every screen that looks a number up: the owner popup for a found number,
// the not-found popup, and the confirmation once the owner was told. Each
// comes from the "FacilityAdmin" storyboard and is presented over the
// current context with a cross dissolve.
#pragma once

#include <functional>
#include <string>

#include "Facility/Models/VehicleDetailsModel.h"
#include "Platform/UIKit/ViewController.h"

class VehicleLookupPopup {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";

  struct Actions {
    // The owner popup's message once the owner was told.
    std::function<void(const std::string&)> showSuccessPopup;
    // The not-found popup's buttons; unset ones only dismiss it.
    std::function<void()> scanAgain;
    std::function<void()> addManually;
  };

  // For a decoded reply: the owner popup with the first employee, the
  // not-found popup with the service's message, or none when the number
  // was found without an employee (or the storyboard lacks the popup).
  static uikit::ViewControllerPtr forReply(const VehicleDetailsModel& reply, Actions actions);
  // The confirmation; messageDisplayed runs once it has gone.
  static uikit::ViewControllerPtr notificationSent(const std::string& message, std::function<void()> messageDisplayed);

 private:
  static void style(const uikit::ViewControllerPtr& popup);
};
