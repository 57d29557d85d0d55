#include "Platform/StoreKit/SKPaymentQueue.h"

#include <algorithm>

#include "Platform/Foundation/DispatchQueue.h"

namespace storekit {

SKPaymentQueue& SKPaymentQueue::defaultQueue() {
  static SKPaymentQueue* queue = new SKPaymentQueue;
  return *queue;
}

void SKPaymentQueue::addTransactionObserver(const std::shared_ptr<SKPaymentTransactionObserver>& observer) {
  if (!observer) return;
  std::lock_guard<std::mutex> lock(mu_);
  for (const auto& weak : observers_) {
    if (weak.lock() == observer) return;
  }
  observers_.push_back(observer);
}

void SKPaymentQueue::removeTransactionObserver(const std::shared_ptr<SKPaymentTransactionObserver>& observer) {
  std::lock_guard<std::mutex> lock(mu_);
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [&](const std::weak_ptr<SKPaymentTransactionObserver>& weak) {
                                    auto strong = weak.lock();
                                    return !strong || strong == observer;
                                  }),
                   observers_.end());
}

std::vector<std::shared_ptr<SKPaymentTransactionObserver>> SKPaymentQueue::transactionObservers() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<std::shared_ptr<SKPaymentTransactionObserver>> out;
  for (const auto& weak : observers_) {
    if (auto strong = weak.lock()) out.push_back(std::move(strong));
  }
  return out;
}

void SKPaymentQueue::updateTransactions(std::vector<SKPaymentTransactionPtr> transactions) {
  platform::DispatchQueue::main()->async([this, transactions = std::move(transactions)] {
    for (const auto& observer : transactionObservers()) observer->paymentQueueUpdatedTransactions(*this, transactions);
  });
}

void SKPaymentQueue::reset() {
  std::lock_guard<std::mutex> lock(mu_);
  observers_.clear();
}

}  // namespace storekit
