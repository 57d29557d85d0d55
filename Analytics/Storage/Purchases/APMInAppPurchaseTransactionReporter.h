// Turns the app's completed StoreKit purchases into analytics events: "_iap"
// (a purchase), "_iapx" (reported as invalid), "_assr" (a subscription
// renewal) and "_assc" (a free trial converted into a paid period). The
// engine drops purchases it has already reported (by transactionFingerprint)
// and hands the rest to paymentQueueUpdatedFilteredTransactions. Each batch
// makes sure its products are known, reads the receipt once for itself and
// classifies its transactions against those receipt items; batches share no
// state, so they may overlap. Events go through the engine's internal event
// logger with origin "auto"; a dropped batch asks the engine to forget the
// fingerprints it stored for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseItem.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseProductCache.h"
#include "Platform/StoreKit/SKPaymentQueue.h"
#include "Platform/StoreKit/SKPaymentTransaction.h"
#include "Platform/StoreKit/SKProduct.h"

class APMInAppPurchaseTransactionReporter
    : public std::enable_shared_from_this<APMInAppPurchaseTransactionReporter> {
 public:
  static const std::shared_ptr<APMInAppPurchaseTransactionReporter>& sharedInstance();
  // A reporter over a cache of its own (tests).
  static std::shared_ptr<APMInAppPurchaseTransactionReporter> create(
      std::shared_ptr<APMInAppPurchaseProductCache> productCache);

  // The engine's entry with the transactions its duplicate filter let pass.
  // Keeps purchased transactions that name a product; looks up the products
  // not cached yet, then reports the batch on the global default-priority
  // queue. Returns at once.
  void paymentQueueUpdatedFilteredTransactions(storekit::SKPaymentQueue& queue,
                                               const std::vector<storekit::SKPaymentTransactionPtr>& transactions);

  // Reports each transaction in order against this batch's receipt items.
  void reportTransactionsFromArray(const std::vector<storekit::SKPaymentTransactionPtr>& transactions);
  // Classifies one transaction and logs at most one event. receiptItems:
  // the batch's receipt items (none without a readable receipt); date in
  // seconds since 1970.
  void reportTransactionWithProduct(const std::optional<storekit::SKProduct>& product, int64_t paymentQuantity,
                                    const std::optional<std::string>& transactionIdentifier,
                                    const std::optional<std::string>& originalTransactionIdentifier,
                                    std::optional<double> transactionDate,
                                    const std::optional<std::vector<APMInAppPurchaseItem>>& receiptItems);

  // The purchase records of the receipt at the engine's receipt URL; none
  // when there is no URL or no readable, non-empty file.
  static std::optional<std::vector<APMInAppPurchaseItem>> parsePurchasedItemsFromReceipt();

  // The key under which the engine remembers a reported purchase: the MD5 of
  // the transaction identifier in lower-case hex. None for no transaction,
  // one not purchased, and an identifier that is missing, empty or made only
  // of "0" and "-" (logged).
  static std::optional<std::string> transactionFingerprint(const storekit::SKPaymentTransactionPtr& transaction);

  // The 64-bit purchase identity "_did": the last 8 bytes (big-endian) of the
  // MD5 of original transaction ID + decimal line item ID + product ID; -1
  // when either ID is missing or empty.
  static int64_t purchaseIdentity(const std::optional<std::string>& originalTransactionID,
                                  std::optional<uint64_t> webOrderLineItemID,
                                  const std::optional<std::string>& productID);

  struct PrivateTag {};
  APMInAppPurchaseTransactionReporter(PrivateTag, std::shared_ptr<APMInAppPurchaseProductCache> productCache);

 private:
  // The event's parameters, or none (logged) when the transaction cannot be
  // described.
  std::optional<APMEvent::Parameters> parametersForTransaction(
      const std::optional<storekit::SKProduct>& product, int64_t paymentQuantity,
      const std::optional<std::string>& transactionIdentifier,
      const std::optional<std::string>& originalTransactionIdentifier, std::optional<double> transactionDate,
      const std::optional<std::vector<APMInAppPurchaseItem>>& receiptItems) const;
  // Logs 21027 and asks the engine to forget the batch's fingerprints.
  static void dropBatch(const std::vector<storekit::SKPaymentTransactionPtr>& transactions,
                        const std::optional<APMError>& error);

  std::shared_ptr<APMInAppPurchaseProductCache> productCache_;
};
