#include "Analytics/Storage/Purchases/APMInAppPurchaseProductCache.h"

#include <utility>

const std::shared_ptr<APMInAppPurchaseProductCache>& APMInAppPurchaseProductCache::sharedInstance() {
  static const auto* instance = new std::shared_ptr<APMInAppPurchaseProductCache>(create());
  return *instance;
}

std::shared_ptr<APMInAppPurchaseProductCache> APMInAppPurchaseProductCache::create() {
  return std::make_shared<APMInAppPurchaseProductCache>(PrivateTag{});
}

APMInAppPurchaseProductCache::APMInAppPurchaseProductCache(PrivateTag)
    : queue_(platform::DispatchQueue::create(kQueueLabel)) {}

std::optional<storekit::SKProduct> APMInAppPurchaseProductCache::cachedProductForProductIdentifier(
    const std::string& productIdentifier) const {
  std::optional<storekit::SKProduct> product;
  queue_->sync([&] {
    auto found = validProducts_.find(productIdentifier);
    if (found != validProducts_.end()) product = found->second;
  });
  return product;
}

std::set<std::string> APMInAppPurchaseProductCache::invalidProductIdentifiers() const {
  std::set<std::string> invalid;
  queue_->sync([&] { invalid = invalidProductIdentifiers_; });
  return invalid;
}

size_t APMInAppPurchaseProductCache::validProductCount() const {
  size_t count = 0;
  queue_->sync([&] { count = validProducts_.size(); });
  return count;
}

void APMInAppPurchaseProductCache::requestProductsWithProductIdentifiers(
    const std::set<std::string>& productIdentifiers, const platform::DispatchQueuePtr& queue,
    CompletionHandler completionHandler) {
  if (productIdentifiers.empty() || !queue || !completionHandler) return;
  std::weak_ptr<APMInAppPurchaseProductCache> weakSelf = weak_from_this();
  APMProductsRequest::requestProductsWithProductIdentifiers(
      productIdentifiers, queue_,
      [weakSelf, queue, handler = std::move(completionHandler)](const std::optional<Products>& found,
                                                                const std::optional<std::set<std::string>>& invalid,
                                                                const std::optional<APMError>& error) {
        Products products = found.value_or(Products{});
        std::set<std::string> invalidIdentifiers = invalid.value_or(std::set<std::string>{});
        if (auto self = weakSelf.lock()) self->recordAnswer(products, invalidIdentifiers);
        queue->async([handler, products = std::move(products), invalidIdentifiers = std::move(invalidIdentifiers),
                       error] { handler(products, invalidIdentifiers, error); });
      });
}

void APMInAppPurchaseProductCache::recordAnswer(const Products& products, const std::set<std::string>& invalid) {
  for (const auto& [identifier, product] : products) validProducts_.insert_or_assign(identifier, product);
  for (const std::string& identifier : invalid) validProducts_.erase(identifier);
  invalidProductIdentifiers_.insert(invalid.begin(), invalid.end());
  for (const auto& entry : products) invalidProductIdentifiers_.erase(entry.first);
  if (validProducts_.size() + invalidProductIdentifiers_.size() > kMaxEntries) {
    validProducts_ = products;
    invalidProductIdentifiers_ = invalid;
  }
}
