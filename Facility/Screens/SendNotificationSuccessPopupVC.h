// The confirmation that the owner was notified: shows the service's message,
// closes itself after 2.5 s and then tells the presenter.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/ViewController.h"

class SendNotificationSuccessPopupVC : public uikit::ViewController {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr double kDisplayTime = 2.5;

  // Set before the view loads.
  std::string successMessage;
  std::function<void()> messageDisplayed;
  std::weak_ptr<uikit::Label> lblShowMessage;

  void viewDidLoad() override;

  static void registerScene();
};
