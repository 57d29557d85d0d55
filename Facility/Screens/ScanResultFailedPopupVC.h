// The not-found popup of a vehicle lookup: the service's message in red and
// two buttons whose effect the presenter sets; each reports only after the
// popup has gone.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/ViewController.h"

class ScanResultFailedPopupVC : public uikit::ViewController {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";

  // Set by the presenter; an unset one makes its button dismiss only.
  std::function<void()> actionScanAgain;
  std::function<void()> actionAddManually;
  // Set before the view loads.
  std::string faildMessage;

  std::weak_ptr<uikit::Label> lblTitle, lblFailedMessage;
  std::weak_ptr<uikit::View> popupView, closeButtonView;
  std::weak_ptr<uikit::Button> btnScanAgain, btnAddManually;

  void viewDidLoad() override;
  void actionClosePopup();
  void scanAgainTapped();
  void addManuallyTapped();

  static void registerScene();

 private:
  void dismissThen(std::function<void()> report);
};
