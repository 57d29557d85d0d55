#include "Platform/QuorvaneMessaging/QRVMessaging.h"

#include "Platform/CommonCrypto/Digest.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/Foundation/RunLoop.h"

namespace platform {

QRVMessaging& QRVMessaging::messaging() {
  static QRVMessaging* instance = new QRVMessaging();
  return *instance;
}

void QRVMessaging::reset() {
  delegate_.reset();
  apnsToken_.reset();
}

void QRVMessaging::setAPNSToken(std::optional<std::vector<std::uint8_t>> token) {
  apnsToken_ = std::move(token);
  if (!apnsToken_) return;
  std::string registration = "qrv:" + Hex::encode(Digest::sha256(*apnsToken_)).substr(0, 32);
  RunLoop::main().async([this, registration] { reportRegistrationToken(registration); });
}

void QRVMessaging::reportRegistrationToken(const std::optional<std::string>& token) {
  if (auto d = delegate()) d->messagingDidReceiveRegistrationToken(*this, token);
}

}  // namespace platform
