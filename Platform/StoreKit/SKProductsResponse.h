// StoreKit's answer to a products request.
#pragma once

#include <string>
#include <vector>

#include "Platform/StoreKit/SKProduct.h"

namespace storekit {

struct SKProductsResponse {
  std::vector<SKProduct> products;
  std::vector<std::string> invalidProductIdentifiers;
};

}  // namespace storekit
