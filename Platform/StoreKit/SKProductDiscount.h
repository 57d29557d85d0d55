// An introductory price of a subscription product. Whether the system has
// the discount class at all is a process-wide switch (older systems lack it;
// callers check before reading a product's introductory price).
#pragma once

#include <string>

namespace storekit {

enum class SKProductDiscountPaymentMode : int { kPayAsYouGo = 0, kPayUpFront = 1, kFreeTrial = 2 };

struct SKProductDiscount {
  std::string price;  // exact decimal text, e.g. "0.99"
  SKProductDiscountPaymentMode paymentMode = SKProductDiscountPaymentMode::kPayAsYouGo;
  friend bool operator==(const SKProductDiscount&, const SKProductDiscount&) = default;

  // On by default.
  static bool isClassAvailable();
  static void setClassAvailable(bool available);
};

}  // namespace storekit
