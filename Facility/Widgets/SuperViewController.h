// Base of the app's full screens: a text-less back button, a white bar
// tint, a notification badge that follows "updateNotificationCount", and on
// request the dashboard navigation bar (logout on the left, a role-dependent
// group of buttons on the right). Taps are forwarded to the weak delegates.
//
// Screens are owned through shared_ptr, as the toolkit's controllers are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Facility/Widgets/SuperClassDelegate.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/ViewController.h"

class SuperViewController : public uikit::ViewController {
 public:

  SuperViewController();
  ~SuperViewController() override;

  std::weak_ptr<SuperClassDelegate> userTypeRightBarButtonsItemDelegate;
  std::weak_ptr<SuperClassDelegate> facilityAdminTypeRightBarButtonsItemDelegate;
  std::weak_ptr<SuperClassDelegate> tenantAdminRightBarButtonsItemDelegate;
  std::shared_ptr<uikit::Label> lblNotificationCount;

  void viewDidLoad() override;

  // Rebuilds the dashboard navigation bar; the badge stays hidden until the
  // next count arrives.
  void setupNavigationBar(const std::string& title);

  void handleNotification(const platform::Notification& notification);
  // Below 1 hides the badge; otherwise shows the count in full.
  void updateNotificationBadge(std::int64_t count);
  // Whole base-10 numbers only (optional sign); anything else is 0.
  static std::int64_t parseCount(std::string_view text);

  void rightButtonTapped();
  void actionScannerButton();
  void actionProfileButton();
  void actionNotificationButton();

 private:
  void forwardNavigationButton(NavigationButtonKind kind);
  platform::NotificationCenter::Token countObserver_ = 0;
};
