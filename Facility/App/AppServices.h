// The outside services the launch sequence drives, one call per step. The
// app uses the real ones; a test can record the order by wrapping them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/QuorvaneMessaging/QRVMessaging.h"
#include "Platform/UserNotifications/UNUserNotificationCenter.h"

class AppServices {
 public:
  virtual ~AppServices() = default;
  static std::shared_ptr<AppServices>& current();

  virtual void configureMessagingCore();
  virtual void setMessagingDelegate(std::weak_ptr<platform::QRVMessagingDelegate> delegate);
  virtual void setNotificationCenterDelegate(std::weak_ptr<platform::UNUserNotificationCenterDelegate> delegate);
  virtual void requestNotificationAuthorization(
      unsigned options, std::function<void(bool granted, std::optional<std::string> error)> completion);
  virtual void registerForRemoteNotifications();
  virtual void enableTapAndGo();
  virtual void requestAlwaysLocationAuthorization();
  virtual void startReachability();
  virtual void enableKeyboardAvoidance();
  virtual void styleNavigationBars();
  virtual void startBleScan();
};
