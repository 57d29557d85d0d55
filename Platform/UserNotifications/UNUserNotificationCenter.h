// The notification centre as far as the app uses it: its delegate, the
// permission request (answered off the main thread, as the platform does)
// and the delivery of a tapped notification. What the person answers to the
// permission prompt is set with setAuthorizationAnswer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Foundation/DispatchQueue.h"

namespace platform {

enum UNAuthorizationOption : unsigned { kUNAuthorizationBadge = 1, kUNAuthorizationSound = 2, kUNAuthorizationAlert = 4 };

struct UNNotificationResponse {
  std::map<std::string, std::string> userInfo;  // the content's user info
};

class UNUserNotificationCenter;

class UNUserNotificationCenterDelegate {
 public:
  virtual ~UNUserNotificationCenterDelegate() = default;
  virtual void userNotificationCenterDidReceiveNotificationResponseWithCompletionHandler(
      UNUserNotificationCenter& center, const UNNotificationResponse& response, std::function<void()> completionHandler) {
    (void)center, (void)response;
    if (completionHandler) completionHandler();
  }
};

class UNUserNotificationCenter {
 public:
  using AuthorizationCompletion = std::function<void(bool granted, std::optional<std::string> error)>;

  static UNUserNotificationCenter& current();
  // Back to no delegate, granted answers and no requests (test isolation).
  void reset();

  void setDelegate(std::weak_ptr<UNUserNotificationCenterDelegate> d);
  std::shared_ptr<UNUserNotificationCenterDelegate> delegate() const;

  // The completion runs on the centre's own queue, never on the main thread.
  void requestAuthorizationWithOptions(unsigned options, AuthorizationCompletion completion);
  void setAuthorizationAnswer(bool granted, std::optional<std::string> error = std::nullopt);
  unsigned lastRequestedOptions() const;
  int authorizationRequestCount() const;

  // A person taps a delivered notification: the delegate hears it.
  void deliverResponse(const UNNotificationResponse& response, std::function<void()> completionHandler);

 private:
  UNUserNotificationCenter();
  mutable std::mutex mu_;
  std::weak_ptr<UNUserNotificationCenterDelegate> delegate_;
  bool granted_ = true;
  std::optional<std::string> error_;
  unsigned lastOptions_ = 0;
  int requests_ = 0;
  DispatchQueuePtr queue_;
};

}  // namespace platform
