#include "Platform/StoreKit/AppStoreReceipt.h"

#include <mutex>

#include "Platform/Foundation/Bundle.h"

namespace storekit {
namespace {

struct Slot {
  std::mutex mu;
  std::optional<std::string> path;
};

Slot& Shared() {
  static Slot* slot = new Slot;
  return *slot;
}

}  // namespace

std::string AppStoreReceipt::url() {
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    if (Shared().path) return *Shared().path;
  }
  return platform::Bundle::main().bundlePath() + "/StoreKit/receipt";
}

void AppStoreReceipt::setURL(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().path = std::move(path);
}

bool AppStoreReceipt::isSandboxURL(const std::string& path) {
  const std::string kLast = "sandboxReceipt";
  const std::size_t slash = path.find_last_of('/');
  return (slash == std::string::npos ? path : path.substr(slash + 1)) == kLast;
}

}  // namespace storekit
