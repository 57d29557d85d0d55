// Where the app's store receipt lives. Defaults to "StoreKit/receipt" in the
// main bundle (read when asked, never at static initialisation); a program or
// test may point it elsewhere. A last path component "sandboxReceipt" marks
// a receipt of the sandbox store.
#pragma once

#include <optional>
#include <string>

namespace storekit {

class AppStoreReceipt {
 public:
  static std::string url();
  // None restores the default.
  static void setURL(std::optional<std::string> path);
  static bool isSandboxURL(const std::string& path);
};

}  // namespace storekit
