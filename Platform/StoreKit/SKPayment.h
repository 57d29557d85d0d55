// What the user asked to buy.
#pragma once

#include <cstdint>
#include <string>

namespace storekit {

struct SKPayment {
  std::string productIdentifier;
  std::int64_t quantity = 1;
  friend bool operator==(const SKPayment&, const SKPayment&) = default;
};

}  // namespace storekit
