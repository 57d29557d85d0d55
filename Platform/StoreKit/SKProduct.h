// A product of the app's store listing as StoreKit describes it. The price
// is exact decimal text (never a binary floating value: "2.01" must stay
// 2.01), in the currency of currencyCode.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/StoreKit/SKProductDiscount.h"

namespace storekit {

struct SKProduct {
  std::string productIdentifier;
  std::string price;         // exact decimal text
  std::string currencyCode;  // ISO 4217, from the price locale
  std::string localizedTitle;
  std::optional<SKProductDiscount> introductoryPrice;
  friend bool operator==(const SKProduct&, const SKProduct&) = default;

  // Digits with at most one decimal point and a digit on each side of it
  // ("0.99", "12", "0.0000015"); no sign, exponent or spaces.
  static bool isDecimalText(std::string_view text);
};

}  // namespace storekit
