#include "Platform/StoreKit/StoreCatalogue.h"

#include <set>

namespace storekit {

StoreCatalogue& StoreCatalogue::shared() {
  static StoreCatalogue* catalogue = new StoreCatalogue;
  return *catalogue;
}

platform::Status StoreCatalogue::setProducts(std::vector<SKProduct> products) {
  std::set<std::string> seen;
  for (const SKProduct& p : products) {
    if (p.productIdentifier.empty()) return platform::Status::InvalidArgument("product without identifier");
    if (!seen.insert(p.productIdentifier).second) {
      return platform::Status::InvalidArgument("product \"" + p.productIdentifier + "\" listed twice");
    }
    if (!SKProduct::isDecimalText(p.price)) {
      return platform::Status::InvalidArgument("product \"" + p.productIdentifier + "\": price \"" + p.price +
                                               "\" is not decimal text");
    }
    if (p.introductoryPrice && !SKProduct::isDecimalText(p.introductoryPrice->price)) {
      return platform::Status::InvalidArgument("product \"" + p.productIdentifier + "\": introductory price \"" +
                                               p.introductoryPrice->price + "\" is not decimal text");
    }
  }
  std::lock_guard<std::mutex> lock(mu_);
  products_ = std::move(products);
  return platform::Status::OK();
}

void StoreCatalogue::setScriptedError(std::optional<SKError> error) {
  std::lock_guard<std::mutex> lock(mu_);
  error_ = std::move(error);
}

void StoreCatalogue::reset() {
  std::lock_guard<std::mutex> lock(mu_);
  products_.clear();
  error_.reset();
  requests_ = 0;
}

int StoreCatalogue::requestCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

void StoreCatalogue::noteRequest() {
  std::lock_guard<std::mutex> lock(mu_);
  ++requests_;
}

std::optional<SKProduct> StoreCatalogue::product(const std::string& identifier) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (const SKProduct& p : products_) {
    if (p.productIdentifier == identifier) return p;
  }
  return std::nullopt;
}

std::optional<SKError> StoreCatalogue::scriptedError() const {
  std::lock_guard<std::mutex> lock(mu_);
  return error_;
}

}  // namespace storekit
