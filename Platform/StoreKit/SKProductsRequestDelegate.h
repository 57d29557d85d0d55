// Hears how a products request ends. Called on the StoreKit thread.
#pragma once

#include "Platform/StoreKit/SKError.h"
#include "Platform/StoreKit/SKProductsResponse.h"

namespace storekit {

class SKProductsRequest;

class SKProductsRequestDelegate {
 public:
  virtual ~SKProductsRequestDelegate() = default;
  virtual void productsRequestDidReceiveResponse(SKProductsRequest& request, const SKProductsResponse& response) = 0;
  virtual void requestDidFailWithError(SKProductsRequest& request, const SKError& error) = 0;
};

}  // namespace storekit
