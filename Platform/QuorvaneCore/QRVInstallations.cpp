#include "Platform/QuorvaneCore/QRVInstallations.h"

#include <mutex>

#include "Platform/CommonCrypto/Base64.h"
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
  // Standard base64 made URL-safe, without its "==" padding.
  std::string id = Base64::encode(*bytes);
  while (!id.empty() && id.back() == '=') id.pop_back();
  for (char& c : id) {
    if (c == '+') c = '-';
    if (c == '/') c = '_';
  }
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
