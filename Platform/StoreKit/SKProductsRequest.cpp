#include "Platform/StoreKit/SKProductsRequest.h"

#include "Platform/StoreKit/StoreCatalogue.h"

namespace storekit {

std::shared_ptr<SKProductsRequest> SKProductsRequest::create(std::set<std::string> productIdentifiers) {
  return std::make_shared<SKProductsRequest>(std::move(productIdentifiers));
}

SKProductsRequest::SKProductsRequest(std::set<std::string> productIdentifiers)
    : identifiers_(std::move(productIdentifiers)) {}

const platform::DispatchQueuePtr& SKProductsRequest::storeKitQueue() {
  static auto* queue = new platform::DispatchQueuePtr(platform::DispatchQueue::create("storekit"));
  return *queue;
}

void SKProductsRequest::setDelegate(const std::shared_ptr<SKProductsRequestDelegate>& delegate) {
  std::lock_guard<std::mutex> lock(mu_);
  delegate_ = delegate;
}

std::shared_ptr<SKProductsRequestDelegate> SKProductsRequest::delegate() const {
  std::lock_guard<std::mutex> lock(mu_);
  return delegate_.lock();
}

void SKProductsRequest::start() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (running_) return;
    running_ = true;
  }
  cancelled_ = false;
  storeKitQueue()->async([self = shared_from_this()] { self->answer(); });
}

void SKProductsRequest::cancel() { cancelled_ = true; }

void SKProductsRequest::answer() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    running_ = false;
  }
  if (cancelled_) return;
  StoreCatalogue& catalogue = StoreCatalogue::shared();
  catalogue.noteRequest();
  std::shared_ptr<SKProductsRequestDelegate> d = delegate();
  if (!d) return;
  if (std::optional<SKError> error = catalogue.scriptedError()) {
    d->requestDidFailWithError(*this, *error);
    return;
  }
  SKProductsResponse response;
  for (const std::string& id : identifiers_) {
    if (std::optional<SKProduct> p = catalogue.product(id)) {
      response.products.push_back(std::move(*p));
    } else {
      response.invalidProductIdentifiers.push_back(id);
    }
  }
  d->productsRequestDidReceiveResponse(*this, response);
}

}  // namespace storekit
