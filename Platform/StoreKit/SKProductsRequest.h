// Looks up products by identifier. start() asks the store catalogue on the
// StoreKit thread (a serial queue of its own, so the manual clock's drivers
// wait for it) and tells the delegate there: the response with the known
// products (in identifier order) and the unknown identifiers, or the
// catalogue's scripted error. The delegate is held weakly; a running request
// keeps itself alive until it has answered. cancel() before the answer
// suppresses it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/StoreKit/SKProductsRequestDelegate.h"

namespace storekit {

class SKProductsRequest : public std::enable_shared_from_this<SKProductsRequest> {
 public:
  static std::shared_ptr<SKProductsRequest> create(std::set<std::string> productIdentifiers);
  // The StoreKit thread's queue.
  static const platform::DispatchQueuePtr& storeKitQueue();

  const std::set<std::string>& productIdentifiers() const { return identifiers_; }
  void setDelegate(const std::shared_ptr<SKProductsRequestDelegate>& delegate);
  std::shared_ptr<SKProductsRequestDelegate> delegate() const;

  // A second start while one runs is ignored.
  void start();
  void cancel();

  explicit SKProductsRequest(std::set<std::string> productIdentifiers);

 private:
  void answer();

  const std::set<std::string> identifiers_;
  mutable std::mutex mu_;
  std::weak_ptr<SKProductsRequestDelegate> delegate_;
  bool running_ = false;
  std::atomic<bool> cancelled_{false};
};

}  // namespace storekit
