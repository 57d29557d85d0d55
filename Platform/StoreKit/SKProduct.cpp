#include "Platform/StoreKit/SKProduct.h"

namespace storekit {

bool SKProduct::isDecimalText(std::string_view text) {
  std::size_t digitsBefore = 0, digitsAfter = 0;
  bool point = false;
  for (char c : text) {
    if (c == '.') {
      if (point) return false;
      point = true;
    } else if (c >= '0' && c <= '9') {
      ++(point ? digitsAfter : digitsBefore);
    } else {
      return false;
    }
  }
  return digitsBefore > 0 && (!point || digitsAfter > 0);
}

}  // namespace storekit
