// The app's payment queue. Observers are held weakly and hear every batch of
// updated transactions on the main queue, in the order they were added; an
// observer added twice hears a batch once. The store side (a test, or the
// console) hands in batches through updateTransactions(). Safe from any
// thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "Platform/StoreKit/SKPaymentTransactionObserver.h"

namespace storekit {

class SKPaymentQueue {
 public:
  static SKPaymentQueue& defaultQueue();

  void addTransactionObserver(const std::shared_ptr<SKPaymentTransactionObserver>& observer);
  void removeTransactionObserver(const std::shared_ptr<SKPaymentTransactionObserver>& observer);
  // Live observers in the order they were added.
  std::vector<std::shared_ptr<SKPaymentTransactionObserver>> transactionObservers() const;

  // Queues the batch for the observers registered when it is delivered.
  void updateTransactions(std::vector<SKPaymentTransactionPtr> transactions);
  // Forgets every observer (test isolation).
  void reset();

 private:
  SKPaymentQueue() = default;
  mutable std::mutex mu_;
  std::vector<std::weak_ptr<SKPaymentTransactionObserver>> observers_;
};

}  // namespace storekit
