// The StoreKit products already looked up, so that a purchase can be
// described with its price, currency and title. A lookup always asks
// StoreKit (the cache is not consulted first) and then records the answer:
// products found, identifiers StoreKit called invalid. At most 100 entries
// across both; an answer that would go past that replaces both with itself.
// Every access runs on the cache's own serial queue.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Storage/Purchases/APMProductsRequest.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/StoreKit/SKProduct.h"

class APMInAppPurchaseProductCache : public std::enable_shared_from_this<APMInAppPurchaseProductCache> {
 public:
  static constexpr const char* kQueueLabel = "com.trivandel.kvl.measurement.iap-cache";
  static constexpr size_t kMaxEntries = 100;

  using Products = APMProductsRequest::Products;
  // (products found, invalid identifiers, StoreKit's error): the first two
  // are empty when the lookup failed.
  using CompletionHandler =
      std::function<void(const Products&, const std::set<std::string>&, const std::optional<APMError>&)>;

  static const std::shared_ptr<APMInAppPurchaseProductCache>& sharedInstance();
  // A cache of its own (tests).
  static std::shared_ptr<APMInAppPurchaseProductCache> create();

  // Waits for the cache queue.
  std::optional<storekit::SKProduct> cachedProductForProductIdentifier(const std::string& productIdentifier) const;
  std::set<std::string> invalidProductIdentifiers() const;
  size_t validProductCount() const;

  // Does nothing without identifiers, a queue or a handler. The handler runs
  // once, on `queue`, after the answer is recorded.
  void requestProductsWithProductIdentifiers(const std::set<std::string>& productIdentifiers,
                                             const platform::DispatchQueuePtr& queue,
                                             CompletionHandler completionHandler);

  struct PrivateTag {};
  explicit APMInAppPurchaseProductCache(PrivateTag);

 private:
  // On the cache queue.
  void recordAnswer(const Products& products, const std::set<std::string>& invalid);

  std::set<std::string> invalidProductIdentifiers_;
  std::map<std::string, storekit::SKProduct> validProducts_;
  platform::DispatchQueuePtr queue_;
};
