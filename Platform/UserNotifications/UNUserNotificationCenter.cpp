#include "Platform/UserNotifications/UNUserNotificationCenter.h"

namespace platform {

UNUserNotificationCenter& UNUserNotificationCenter::current() {
  static UNUserNotificationCenter* center = new UNUserNotificationCenter();
  return *center;
}

UNUserNotificationCenter::UNUserNotificationCenter() : queue_(DispatchQueue::create("com.facility.usernotifications")) {}

void UNUserNotificationCenter::reset() {
  std::lock_guard<std::mutex> lock(mu_);
  delegate_.reset();
  granted_ = true;
  error_.reset();
  lastOptions_ = 0;
  requests_ = 0;
}

void UNUserNotificationCenter::setDelegate(std::weak_ptr<UNUserNotificationCenterDelegate> d) {
  std::lock_guard<std::mutex> lock(mu_);
  delegate_ = std::move(d);
}

std::shared_ptr<UNUserNotificationCenterDelegate> UNUserNotificationCenter::delegate() const {
  std::lock_guard<std::mutex> lock(mu_);
  return delegate_.lock();
}

void UNUserNotificationCenter::requestAuthorizationWithOptions(unsigned options, AuthorizationCompletion completion) {
  bool granted;
  std::optional<std::string> error;
  {
    std::lock_guard<std::mutex> lock(mu_);
    lastOptions_ = options;
    ++requests_;
    granted = granted_;
    error = error_;
  }
  queue_->async([completion = std::move(completion), granted, error] {
    if (completion) completion(granted, error);
  });
}

void UNUserNotificationCenter::setAuthorizationAnswer(bool granted, std::optional<std::string> error) {
  std::lock_guard<std::mutex> lock(mu_);
  granted_ = granted;
  error_ = std::move(error);
}

unsigned UNUserNotificationCenter::lastRequestedOptions() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lastOptions_;
}

int UNUserNotificationCenter::authorizationRequestCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

void UNUserNotificationCenter::deliverResponse(const UNNotificationResponse& response,
                                               std::function<void()> completionHandler) {
  auto d = delegate();
  if (d) {
    d->userNotificationCenterDidReceiveNotificationResponseWithCompletionHandler(*this, response,
                                                                                 std::move(completionHandler));
  } else if (completionHandler) {
    completionHandler();
  }
}

}  // namespace platform
