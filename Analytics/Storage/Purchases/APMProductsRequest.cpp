#include "Analytics/Storage/Purchases/APMProductsRequest.h"

#include <utility>

APMProductsRequest::APMProductsRequest(std::shared_ptr<storekit::SKProductsRequest> productsRequest)
    : productsRequest_(std::move(productsRequest)) {}

void APMProductsRequest::requestProductsWithProductIdentifiers(const std::set<std::string>& productIdentifiers,
                                                               const platform::DispatchQueuePtr& queue,
                                                               CompletionHandler completionHandler) {
  if (!queue || !completionHandler) return;
  std::shared_ptr<APMProductsRequest> request = initWithProductIdentifiers(productIdentifiers);
  if (!request) {
    queue->async([completionHandler] {
      completionHandler(std::nullopt, std::nullopt, APMError::apm_errorWithCode(1, "Invalid product identifiers."));
    });
    return;
  }
  // The wrapper holds the request until the handler has run; clearInstance
  // then drops the wrapper and with it that reference.
  request->requestWithQueue(queue, [request, completionHandler](const std::optional<Products>& products,
                                                                const std::optional<std::set<std::string>>& invalid,
                                                                const std::optional<APMError>& error) {
    completionHandler(products, invalid, error);
  });
}

std::shared_ptr<APMProductsRequest> APMProductsRequest::initWithProductIdentifiers(
    const std::set<std::string>& productIdentifiers) {
  std::shared_ptr<storekit::SKProductsRequest> skRequest = storekit::SKProductsRequest::create(productIdentifiers);
  if (!skRequest) return nullptr;
  return std::make_shared<APMProductsRequest>(std::move(skRequest));
}

void APMProductsRequest::requestWithQueue(const platform::DispatchQueuePtr& queue, CompletionHandler completionHandler) {
  if (!queue || !completionHandler) return;
  std::shared_ptr<storekit::SKProductsRequest> skRequest;
  {
    std::lock_guard<std::mutex> lock(mu_);
    completionHandler_ = std::move(completionHandler);
    queue_ = queue;
    skRequest = productsRequest_;
  }
  if (!skRequest) return;
  skRequest->setDelegate(shared_from_this());
  skRequest->start();
}

bool APMProductsRequest::takeDelivery(CompletionHandler* handler, platform::DispatchQueuePtr* queue) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!completionHandler_ || !queue_) return false;
  *handler = completionHandler_;
  *queue = queue_;
  return true;
}

void APMProductsRequest::deliver(std::function<void(const CompletionHandler&)> call) {
  CompletionHandler handler;
  platform::DispatchQueuePtr queue;
  if (!takeDelivery(&handler, &queue)) return;
  std::weak_ptr<APMProductsRequest> weakSelf = weak_from_this();
  queue->async([weakSelf, handler = std::move(handler), call = std::move(call)] {
    std::shared_ptr<APMProductsRequest> self = weakSelf.lock();
    if (!self) return;
    call(handler);
    self->clearInstance();
  });
}

void APMProductsRequest::productsRequestDidReceiveResponse(storekit::SKProductsRequest& request,
                                                           const storekit::SKProductsResponse& response) {
  (void)request;
  Products products;
  for (const storekit::SKProduct& product : response.products) {
    if (product.productIdentifier.empty()) continue;
    products.emplace(product.productIdentifier, product);
  }
  std::set<std::string> invalid(response.invalidProductIdentifiers.begin(), response.invalidProductIdentifiers.end());
  deliver([products = std::move(products), invalid = std::move(invalid)](const CompletionHandler& handler) {
    handler(products, invalid, std::nullopt);
  });
}

void APMProductsRequest::requestDidFailWithError(storekit::SKProductsRequest& request, const storekit::SKError& error) {
  (void)request;
  APMError apmError(error.domain, error.code, error.description);
  deliver([apmError](const CompletionHandler& handler) { handler(std::nullopt, std::nullopt, apmError); });
}

void APMProductsRequest::clearInstance() {
  std::shared_ptr<storekit::SKProductsRequest> request;
  CompletionHandler handler;
  platform::DispatchQueuePtr queue;
  {
    std::lock_guard<std::mutex> lock(mu_);
    request = std::move(productsRequest_);
    handler = std::move(completionHandler_);
    queue = std::move(queue_);
  }
  // The captures (the wrapper's reference to this request among them) die
  // outside the lock.
}
