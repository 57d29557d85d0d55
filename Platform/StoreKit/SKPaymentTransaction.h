// One purchase as the payment queue reports it. A restored or renewed
// purchase points at the transaction that first bought the product.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/StoreKit/SKPayment.h"

namespace storekit {

enum class SKPaymentTransactionState : int { kPurchasing = 0, kPurchased = 1, kFailed = 2, kRestored = 3, kDeferred = 4 };

struct SKPaymentTransaction {
  SKPaymentTransactionState transactionState = SKPaymentTransactionState::kPurchasing;
  SKPayment payment;
  // Set once the store has processed the payment.
  std::optional<std::string> transactionIdentifier;
  std::shared_ptr<const SKPaymentTransaction> originalTransaction;
  // Seconds since 1970.
  std::optional<double> transactionDate;
  // kSKErrorDomain code of a failed transaction.
  std::optional<int> errorCode;
};

using SKPaymentTransactionPtr = std::shared_ptr<const SKPaymentTransaction>;

}  // namespace storekit
