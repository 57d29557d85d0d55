// The messaging vendor's client: takes the push device token and reports its
// registration token to its delegate on the main run loop.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class QRVMessaging;

class QRVMessagingDelegate {
 public:
  virtual ~QRVMessagingDelegate() = default;
  virtual void messagingDidReceiveRegistrationToken(QRVMessaging& messaging, const std::optional<std::string>& token) {
    (void)messaging, (void)token;
  }
};

class QRVMessaging {
 public:
  static QRVMessaging& messaging();
  void reset();

  void setDelegate(std::weak_ptr<QRVMessagingDelegate> d) { delegate_ = std::move(d); }
  std::shared_ptr<QRVMessagingDelegate> delegate() const { return delegate_.lock(); }

  // Setting the device token makes the client report a registration token
  // (derived from it) in a later run-loop turn.
  void setAPNSToken(std::optional<std::vector<std::uint8_t>> token);
  const std::optional<std::vector<std::uint8_t>>& APNSToken() const { return apnsToken_; }

  // Reports the given token to the delegate now (tests, token refresh).
  void reportRegistrationToken(const std::optional<std::string>& token);

 private:
  QRVMessaging() = default;
  std::weak_ptr<QRVMessagingDelegate> delegate_;
  std::optional<std::vector<std::uint8_t>> apnsToken_;
};

}  // namespace platform
