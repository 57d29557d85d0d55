// A StoreKit failure: domain, code and a description for logs.
#pragma once

#include <string>

namespace storekit {

inline constexpr const char* kSKErrorDomain = "SKErrorDomain";

// Codes of kSKErrorDomain used by the stand-in and its callers.
enum SKErrorCode : int {
  kSKErrorUnknown = 0,
  kSKErrorClientInvalid = 1,
  kSKErrorPaymentCancelled = 2,
  kSKErrorPaymentInvalid = 3,
  kSKErrorPaymentNotAllowed = 4,
  kSKErrorStoreProductNotAvailable = 5,
  kSKErrorCloudServiceNetworkConnectionFailed = 7,
};

struct SKError {
  std::string domain = kSKErrorDomain;
  int code = kSKErrorUnknown;
  std::string description;
  friend bool operator==(const SKError&, const SKError&) = default;
};

}  // namespace storekit
