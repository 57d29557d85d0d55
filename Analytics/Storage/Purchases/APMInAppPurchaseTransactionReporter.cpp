#include "Analytics/Storage/Purchases/APMInAppPurchaseTransactionReporter.h"

#include <algorithm>
#include <set>
#include <utility>

#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMStringAdditions.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/StoreKit/SKProductDiscount.h"

namespace {

using storekit::SKPaymentTransactionPtr;
using storekit::SKPaymentTransactionState;
using storekit::SKProduct;

constexpr const char* kOrigin = "auto";
constexpr int kMicrosPower = 6;

// Receipt purchase types.
constexpr uint8_t kNonConsumable = 0;
constexpr uint8_t kConsumable = 1;
constexpr uint8_t kNonRenewingSubscription = 2;
constexpr uint8_t kAutoRenewableSubscription = 3;

// Both present and equal (a missing ID equals nothing).
bool Same(const std::optional<std::string>& a, const std::optional<std::string>& b) { return a && b && *a == *b; }

bool IsFlagSet(const APMEvent::Parameters& parameters, const char* key) {
  auto found = parameters.find(key);
  return found != parameters.end() && found->second.isInt64() && found->second.int64Value() == 1;
}

void SetFlag(APMEvent::Parameters& parameters, const char* key) { parameters.insert_or_assign(key, APMValue(1)); }

// price x 10^6 x factor, exact and truncated once; none for no price or a
// result outside int64.
std::optional<int64_t> Micros(const std::string& price, int64_t factor) {
  auto number = APMDecimalNumber::fromString(price);
  if (!number || !SKProduct::isDecimalText(price)) return std::nullopt;
  return number->truncatedInt64Product(factor, kMicrosPower);
}

// Sets "price" and, for a non-zero quantity, "value" from a decimal price;
// each is left out when it does not fit in int64.
void SetPrice(APMEvent::Parameters& parameters, const std::string& price, int64_t quantity) {
  parameters.erase("price");
  if (auto micros = Micros(price, 1)) parameters.insert_or_assign("price", APMValue(*micros));
  if (quantity != 0) {
    parameters.erase("value");
    if (auto value = Micros(price, quantity)) parameters.insert_or_assign("value", APMValue(*value));
  }
}

void ApplyFreeTrial(APMEvent::Parameters& parameters) {
  auto price = parameters.find("price");
  if (price != parameters.end()) parameters.insert_or_assign("original_price", price->second);
  SetFlag(parameters, "price_is_discounted");
  parameters.insert_or_assign("price", APMValue(int64_t{0}));
  parameters.insert_or_assign("value", APMValue(int64_t{0}));
}

// A renewal or, right after a free-trial item, its conversion to paid.
void MarkRenewal(APMEvent::Parameters& parameters, const std::vector<APMInAppPurchaseItem>& sortedItems,
                 const std::optional<APMInAppPurchaseItem>& item) {
  if (!item || Same(item->originalTransactionID, item->transactionID)) return;
  auto found = std::find(sortedItems.begin(), sortedItems.end(), *item);
  const bool previousIsFreeTrial =
      found != sortedItems.end() && found != sortedItems.begin() && std::prev(found)->isFreeTrial();
  SetFlag(parameters, previousIsFreeTrial ? "sub_convert" : "sub_renew");
}

}  // namespace

const std::shared_ptr<APMInAppPurchaseTransactionReporter>& APMInAppPurchaseTransactionReporter::sharedInstance() {
  static const auto* instance = new std::shared_ptr<APMInAppPurchaseTransactionReporter>(
      create(APMInAppPurchaseProductCache::sharedInstance()));
  return *instance;
}

std::shared_ptr<APMInAppPurchaseTransactionReporter> APMInAppPurchaseTransactionReporter::create(
    std::shared_ptr<APMInAppPurchaseProductCache> productCache) {
  return std::make_shared<APMInAppPurchaseTransactionReporter>(PrivateTag{}, std::move(productCache));
}

APMInAppPurchaseTransactionReporter::APMInAppPurchaseTransactionReporter(
    PrivateTag, std::shared_ptr<APMInAppPurchaseProductCache> productCache)
    : productCache_(std::move(productCache)) {}

void APMInAppPurchaseTransactionReporter::paymentQueueUpdatedFilteredTransactions(
    storekit::SKPaymentQueue& queue, const std::vector<SKPaymentTransactionPtr>& transactions) {
  (void)queue;
  std::vector<SKPaymentTransactionPtr> kept;
  std::set<std::string> missing;
  for (const SKPaymentTransactionPtr& transaction : transactions) {
    if (!transaction || transaction->transactionState != SKPaymentTransactionState::kPurchased) continue;
    const std::string& productID = transaction->payment.productIdentifier;
    if (productID.empty()) continue;
    kept.push_back(transaction);
    if (!productCache_->cachedProductForProductIdentifier(productID)) missing.insert(productID);
  }
  if (kept.empty()) return;
  const platform::DispatchQueuePtr& global = platform::DispatchQueue::global(platform::QueuePriority::defaultPriority);
  std::weak_ptr<APMInAppPurchaseTransactionReporter> weakSelf = weak_from_this();
  if (missing.empty()) {
    global->async([weakSelf, kept] {
      if (auto self = weakSelf.lock()) self->reportTransactionsFromArray(kept);
    });
    return;
  }
  productCache_->requestProductsWithProductIdentifiers(
      missing, global,
      [weakSelf, kept](const APMInAppPurchaseProductCache::Products& products, const std::set<std::string>&,
                       const std::optional<APMError>& error) {
        if (error && products.empty()) {
          dropBatch(kept, error);
          return;
        }
        if (auto self = weakSelf.lock()) self->reportTransactionsFromArray(kept);
      });
}

void APMInAppPurchaseTransactionReporter::dropBatch(const std::vector<SKPaymentTransactionPtr>& transactions,
                                                    const std::optional<APMError>& error) {
  Log().logWithLevel(1, 21027, "Cannot request product information. Error",
                     error ? APMLogContext(*error) : APMLogContext());
  // The engine stored these fingerprints before the lookup: kept, they would
  // make the purchases' redelivery look like duplicates and lose them.
  std::vector<std::string> fingerprints;
  for (const SKPaymentTransactionPtr& transaction : transactions) {
    auto fingerprint = transactionFingerprint(transaction);
    if (fingerprint && !fingerprint->empty()) fingerprints.push_back(*fingerprint);
  }
  if (!fingerprints.empty()) APMEngineHooks::forgetPurchaseFingerprints(fingerprints);
}

void APMInAppPurchaseTransactionReporter::reportTransactionsFromArray(
    const std::vector<SKPaymentTransactionPtr>& transactions) {
  // Read once per batch and kept by the batch alone.
  const std::optional<std::vector<APMInAppPurchaseItem>> receiptItems = parsePurchasedItemsFromReceipt();
  for (const SKPaymentTransactionPtr& transaction : transactions) {
    if (!transaction) continue;
    const std::optional<SKProduct> product =
        productCache_->cachedProductForProductIdentifier(transaction->payment.productIdentifier);
    const std::optional<std::string> original =
        transaction->originalTransaction ? transaction->originalTransaction->transactionIdentifier : std::nullopt;
    reportTransactionWithProduct(product, transaction->payment.quantity, transaction->transactionIdentifier,
                                 original, transaction->transactionDate, receiptItems);
  }
}

std::optional<std::vector<APMInAppPurchaseItem>> APMInAppPurchaseTransactionReporter::parsePurchasedItemsFromReceipt() {
  std::optional<platform::Bytes> receipt = APMAppStoreReceiptData();
  if (!receipt) return std::nullopt;
  auto items = APMPurchaseItemsOfReceipt(receipt);
  Log().logWithLevel(7, 21028, "Parsed purchase items from receipt", static_cast<int64_t>(items ? items->size() : 0));
  return items;
}

void APMInAppPurchaseTransactionReporter::reportTransactionWithProduct(
    const std::optional<SKProduct>& product, int64_t paymentQuantity,
    const std::optional<std::string>& transactionIdentifier,
    const std::optional<std::string>& originalTransactionIdentifier, std::optional<double> transactionDate,
    const std::optional<std::vector<APMInAppPurchaseItem>>& receiptItems) {
  std::optional<APMEvent::Parameters> parameters = parametersForTransaction(
      product, paymentQuantity, transactionIdentifier, originalTransactionIdentifier, transactionDate, receiptItems);
  if (!parameters || parameters->empty()) return;
  std::string name = "_iap";
  if (IsFlagSet(*parameters, "invalid")) {
    parameters->erase("invalid");
    if (APMAEU::isASRS()) SetFlag(*parameters, "sandbox");
    name = "_iapx";
  }
  if (IsFlagSet(*parameters, "sub_renew")) {
    parameters->erase("sub_renew");
    name = "_assr";
  }
  if (IsFlagSet(*parameters, "sub_convert")) {
    parameters->erase("sub_convert");
    name = "_assc";
  }
  APMEngineHooks::logInternalEvent(kOrigin, name, *parameters);
}

std::optional<APMEvent::Parameters> APMInAppPurchaseTransactionReporter::parametersForTransaction(
    const std::optional<SKProduct>& product, int64_t quantity, const std::optional<std::string>& transactionID,
    const std::optional<std::string>& originalTransactionID, std::optional<double> transactionDate,
    const std::optional<std::vector<APMInAppPurchaseItem>>& receiptItems) const {
  if (!product) {
    Log().logWithLevel(8, 40026, "IAP Transaction cannot be created from nil product");
    return std::nullopt;
  }
  if (product->productIdentifier.empty()) {
    Log().logWithLevel(8, 40027, "IAP Transaction cannot be created from empty or nil product ID");
    return std::nullopt;
  }
  const std::string& productID = product->productIdentifier;
  APMEvent::Parameters parameters;
  parameters.insert_or_assign("product_id", APMValue(productID));
  if (!product->price.empty()) {
    SetPrice(parameters, product->price, quantity);
    if (quantity != 0) parameters.insert_or_assign("quantity", APMValue(quantity));
  }
  if (!product->currencyCode.empty()) parameters.insert_or_assign("currency", APMValue(product->currencyCode));
  if (!product->localizedTitle.empty()) {
    parameters.insert_or_assign("product_name", APMValue(product->localizedTitle));
  }
  if (!IsNonEmpty(transactionID)) Log().logWithLevel(8, 40003, "Transaction ID cannot be nil or empty.");
  const bool restoredOrRepurchased =
      IsNonEmpty(transactionID) && IsNonEmpty(originalTransactionID) && *transactionID != *originalTransactionID;

  const std::vector<APMInAppPurchaseItem> noItems;
  const std::optional<std::vector<APMInAppPurchaseItem>> items =
      APMFilteredReceiptItems(receiptItems ? *receiptItems : noItems, productID, std::nullopt);
  if (!items || items->empty()) {
    Log().logWithLevel(8, 40020, "Transaction missing in receipt will be reported as invalid");
    SetFlag(parameters, "invalid");
  } else {
    const APMInAppPurchaseItem& last = items->back();
    const std::optional<uint8_t> type = last.purchaseType;
    const bool subscriptionLike =
        type == kNonRenewingSubscription || type == kAutoRenewableSubscription || last.webOrderLineItemID.has_value();
    if (type == kNonConsumable && restoredOrRepurchased) {
      Log().logWithLevel(8, 40005, "Restore/repurchase of non-consumable item will be reported as invalid");
      SetFlag(parameters, "invalid");
    } else if (items->size() == 1 && !subscriptionLike && Same(last.transactionID, last.originalTransactionID)) {
      if (type == kConsumable) Log().logWithLevel(8, 40021, "Transaction of consumable item will be reported");
      if (type == kNonConsumable) {
        Log().logWithLevel(8, 40022, "Transaction of non-consumable item will be reported");
      }
      parameters.insert_or_assign(
          "_did", APMValue(purchaseIdentity(last.originalTransactionID, std::nullopt, last.productID)));
    } else if (items->size() == 1 && !subscriptionLike) {
      Log().logWithLevel(8, 40007,
                         "Transaction with mismatched transaction ID and original transaction ID will be reported as "
                         "consumable");
    } else {
      const std::vector<APMInAppPurchaseItem> matches =
          transactionDate ? APMFilteredReceiptItems(*items, productID, transactionDate).value_or(noItems) : noItems;
      if (matches.empty() && subscriptionLike) {
        Log().logWithLevel(8, 40023, "Subscription transaction missing in receipt will be reported as invalid");
        SetFlag(parameters, "invalid");
        SetFlag(parameters, "subscription");
      } else if (matches.size() >= 2) {
        Log().logWithLevel(8, 40024, "Subscription transaction with duplicate transaction date will be reported as invalid",
                           static_cast<int64_t>(matches.size()));
        SetFlag(parameters, "invalid");
        SetFlag(parameters, "subscription");
      } else {
        const std::optional<APMInAppPurchaseItem> item =
            matches.empty() ? std::nullopt : std::optional<APMInAppPurchaseItem>(matches.front());
        const std::optional<std::string> itemOriginal = item ? item->originalTransactionID : std::nullopt;
        const std::optional<std::string> itemProduct = item ? item->productID : std::nullopt;
        if (type == kNonRenewingSubscription) {
          SetFlag(parameters, "subscription");
          parameters.insert_or_assign("_did", APMValue(purchaseIdentity(itemOriginal, std::nullopt, itemProduct)));
          Log().logWithLevel(8, 40025, "Transaction of non-renewing subscription will be reported");
        } else {
          if (item && Same(item->transactionID, item->originalTransactionID)) SetFlag(parameters, "subscription");
          parameters.insert_or_assign(
              "_did", APMValue(purchaseIdentity(itemOriginal, item ? item->webOrderLineItemID : std::nullopt,
                                                itemProduct)));
          const bool freeTrial = item && item->isFreeTrial();
          const bool introductoryOffer = item && item->isIntroductoryOffer();
          bool stopped = false;
          if (!freeTrial && !introductoryOffer) {
            Log().logWithLevel(8, 40008, "Transaction of auto-renewable subscription will be reported");
            MarkRenewal(parameters, *items, item);
          } else if (freeTrial) {
            SetFlag(parameters, "free_trial");
            if (restoredOrRepurchased) {
              Log().logWithLevel(8, 40011,
                                 "Repurchase of free-trial auto-renewable subscription will be reported as invalid");
              SetFlag(parameters, "invalid");
              stopped = true;
            } else {
              Log().logWithLevel(8, 40009, "Transaction of free-trial auto-renewable subscription will be reported");
            }
          } else {
            SetFlag(parameters, "price_is_discounted");
            MarkRenewal(parameters, *items, item);
            Log().logWithLevel(8, 40018, "Transaction of introductory offer will be reported");
          }
          if ((freeTrial || introductoryOffer) && !stopped) {
            Log().logWithLevel(8, 40010, "Transaction of auto-renewable subscription renewal will be reported");
          }
        }
      }
    }
  }

  // Discounts.
  if (IsFlagSet(parameters, "free_trial")) {
    ApplyFreeTrial(parameters);
  } else if (IsFlagSet(parameters, "price_is_discounted") && storekit::SKProductDiscount::isClassAvailable() &&
             product->introductoryPrice) {
    const storekit::SKProductDiscount& discount = *product->introductoryPrice;
    if (APMEnvironmentInfo::systemVersionAtLeast(11, 2) &&
        discount.paymentMode == storekit::SKProductDiscountPaymentMode::kFreeTrial) {
      ApplyFreeTrial(parameters);
    } else if (!discount.price.empty()) {
      auto price = parameters.find("price");
      if (price != parameters.end()) parameters.insert_or_assign("original_price", price->second);
      SetPrice(parameters, discount.price, quantity);
    }
  }

  for (const char* required : {"price", "value", "currency", "product_id"}) {
    if (parameters.find(required) == parameters.end()) return std::nullopt;
  }
  return parameters;
}

std::optional<std::string> APMInAppPurchaseTransactionReporter::transactionFingerprint(
    const SKPaymentTransactionPtr& transaction) {
  if (!transaction) {
    Log().logWithLevel(2, 21014, "Transaction is nil");
    return std::nullopt;
  }
  if (transaction->transactionState != SKPaymentTransactionState::kPurchased) return std::nullopt;
  const APMLogContext errorCode =
      transaction->errorCode ? APMLogContext(static_cast<int64_t>(*transaction->errorCode)) : APMLogContext();
  const std::optional<std::string>& identifier = transaction->transactionIdentifier;
  if (!identifier) {
    Log().logWithLevel(2, 21015, "Transaction identifier is nil. Code", errorCode);
    return std::nullopt;
  }
  if (identifier->empty()) {
    Log().logWithLevel(2, 21016, "Transaction identifier is empty. Code", errorCode);
    return std::nullopt;
  }
  if (identifier->find_first_not_of("0-") == std::string::npos) {
    Log().logWithLevel(2, 21017, "Transaction identifier is only zeroes. Code", errorCode);
    return std::nullopt;
  }
  return apm_MD5String(*identifier);
}

int64_t APMInAppPurchaseTransactionReporter::purchaseIdentity(const std::optional<std::string>& originalTransactionID,
                                                              std::optional<uint64_t> webOrderLineItemID,
                                                              const std::optional<std::string>& productID) {
  if (!IsNonEmpty(originalTransactionID) || !IsNonEmpty(productID)) return -1;
  std::string text = *originalTransactionID;
  if (webOrderLineItemID) text += std::to_string(*webOrderLineItemID);
  text += *productID;
  return apm_64LSBMD5(platform::Bytes(text.begin(), text.end()));
}
