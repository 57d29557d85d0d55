#include "Platform/QuorvaneCore/QRVInstallations.h"

#include <mutex>

#include "Platform/CommonCrypto/SecureRandom.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"

namespace platform {
namespace {

constexpr const char* kSuite = "com.quorvane.installations";
constexpr const char* kKey = "installation_id";

std::mutex& Mutex() {
  static std::mutex* mu = new std::mutex;
  return *mu;
}

// 22 characters of URL-safe base64 over 16 random bytes.
std::optional<std::string> NewID(std::optional<Status>* error) {
  auto bytes = SecureRandom::bytes(16);
  if (!bytes.ok()) {
    *error = bytes.status();
    return std::nullopt;
  }
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string id;
  uint32_t buffer = 0;
  int bits = 0;
  for (uint8_t byte : *bytes) {
    buffer = (buffer << 8) | byte;
    bits += 8;
    while (bits >= 6) {
      id.push_back(kAlphabet[(buffer >> (bits - 6)) & 0x3F]);
      bits -= 6;
    }
  }
  if (bits > 0) id.push_back(kAlphabet[(buffer << (6 - bits)) & 0x3F]);
  return id;
}

}  // namespace

QRVInstallations& QRVInstallations::installations() {
  static QRVInstallations* shared = new QRVInstallations;
  return *shared;
}

std::optional<std::string> QRVInstallations::storedOrNewID(std::optional<Status>* error) {
  std::lock_guard<std::mutex> lock(Mutex());
  UserDefaults& defaults = UserDefaults::suite(kSuite);
  if (auto stored = defaults.stringObjectForKey(kKey)) return stored;
  auto id = NewID(error);
  if (!id) return std::nullopt;
  Status status = defaults.setString(*id, kKey);
  if (!status.ok()) {
    *error = status;
    return std::nullopt;
  }
  return id;
}

void QRVInstallations::installationIDWithCompletion(
    const std::function<void(std::optional<std::string>, std::optional<Status>)>& completion) {
  std::optional<Status> error;
  auto id = storedOrNewID(&error);
  if (completion) completion(id, id ? std::nullopt : error);
}

void QRVInstallations::resetInstallationID() {
  {
    std::lock_guard<std::mutex> lock(Mutex());
    UserDefaults::suite(kSuite).removeObjectForKey(kKey);
  }
  NotificationCenter::defaultCenter().post(QRVInstallationIDDidChangeNotification);
}

}  // namespace platform
