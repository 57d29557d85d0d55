// Hears the payment queue's transaction updates (on the main thread).
#pragma once

#include <vector>

#include "Platform/StoreKit/SKPaymentTransaction.h"

namespace storekit {

class SKPaymentQueue;

class SKPaymentTransactionObserver {
 public:
  virtual ~SKPaymentTransactionObserver() = default;
  virtual void paymentQueueUpdatedTransactions(SKPaymentQueue& queue,
                                               const std::vector<SKPaymentTransactionPtr>& transactions) = 0;
};

}  // namespace storekit
