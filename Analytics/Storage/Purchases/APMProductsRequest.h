// One StoreKit product lookup as a single call: the completion runs once, on
// the queue the caller names, with the products by identifier and the
// identifiers StoreKit did not know, or with StoreKit's error. The request
// keeps itself alive until its answer has been delivered; an instance serves
// one lookup.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/StoreKit/SKProductsRequest.h"

class APMProductsRequest : public storekit::SKProductsRequestDelegate,
                           public std::enable_shared_from_this<APMProductsRequest> {
 public:
  using Products = std::map<std::string, storekit::SKProduct>;
  // (products, invalid identifiers, error): the first two are none exactly
  // when there is an error.
  using CompletionHandler = std::function<void(const std::optional<Products>&,
                                               const std::optional<std::set<std::string>>&,
                                               const std::optional<APMError>&)>;

  // Does nothing without both a queue and a handler.
  static void requestProductsWithProductIdentifiers(const std::set<std::string>& productIdentifiers,
                                                    const platform::DispatchQueuePtr& queue,
                                                    CompletionHandler completionHandler);

  // Null when StoreKit makes no request for the identifiers.
  static std::shared_ptr<APMProductsRequest> initWithProductIdentifiers(const std::set<std::string>& productIdentifiers);
  // Does nothing without both a queue and a handler; else becomes the
  // StoreKit request's delegate and starts it.
  void requestWithQueue(const platform::DispatchQueuePtr& queue, CompletionHandler completionHandler);

  // StoreKit's answers (on its own thread).
  void productsRequestDidReceiveResponse(storekit::SKProductsRequest& request,
                                         const storekit::SKProductsResponse& response) override;
  void requestDidFailWithError(storekit::SKProductsRequest& request, const storekit::SKError& error) override;

  // Drops the StoreKit request, the handler and the queue.
  void clearInstance();

  explicit APMProductsRequest(std::shared_ptr<storekit::SKProductsRequest> productsRequest);

 private:
  // The handler and queue when both are stored.
  bool takeDelivery(CompletionHandler* handler, platform::DispatchQueuePtr* queue);
  void deliver(std::function<void(const CompletionHandler&)> call);

  std::mutex mu_;
  std::shared_ptr<storekit::SKProductsRequest> productsRequest_;
  CompletionHandler completionHandler_;
  platform::DispatchQueuePtr queue_;
};
