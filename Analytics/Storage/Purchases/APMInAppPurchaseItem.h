// One in-app purchase as the store receipt records it. Dates are kept as the
// receipt's own text; the receipt functions parse them when they compare.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct APMInAppPurchaseItem {
  bool freeTrial = false;
  bool introductoryOffer = false;
  std::optional<std::string> subscriptionExpirationDateIA5String;
  std::optional<std::string> productID;
  std::optional<std::string> originalTransactionID;
  std::optional<std::string> transactionID;
  // Unset when the receipt has none or it is 0.
  std::optional<uint64_t> webOrderLineItemID;
  std::optional<std::string> originalPurchaseDateIA5String;
  std::optional<std::string> purchaseDateIA5String;
  std::optional<std::string> cancellationDateIA5String;
  // One byte of the receipt: 0 non-consumable, 1 consumable, 2 non-renewing
  // subscription, 3 auto-renewable subscription.
  std::optional<uint8_t> purchaseType;

  bool isFreeTrial() const { return freeTrial; }
  bool isIntroductoryOffer() const { return introductoryOffer; }
  friend bool operator==(const APMInAppPurchaseItem&, const APMInAppPurchaseItem&) = default;
};
