// Purchase reporting: one table of transaction classifications against
// receipt items, the purchase identity and fingerprint, exact prices, the
// entry with its product lookup, a dropped batch, and overlapping batches.
#include "Analytics/Storage/Purchases/APMInAppPurchaseTransactionReporter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "tests/Analytics/Storage/PurchaseFixture.h"
#include "tests/Analytics/Storage/ReceiptWriter.h"

namespace {

using receipttest::Purchase;
using receipttest::Receipt;
using storekit::SKPaymentTransaction;
using storekit::SKPaymentTransactionPtr;
using storekit::SKPaymentTransactionState;
using storekit::SKProduct;
using storekit::SKProductDiscount;
using storekit::SKProductDiscountPaymentMode;
using Parameters = APMEvent::Parameters;

constexpr double kNoon = 1772366400;  // 2026-03-01T12:00:00Z
constexpr const char* kNoonText = "2026-03-01T12:00:00Z";
constexpr const char* kFebruaryText = "2026-02-01T12:00:00Z";
constexpr const char* kFirstID = "1000000123456789";
constexpr const char* kSecondID = "1000000123456790";
constexpr uint64_t kLineItem = 1000000055555555;
constexpr int64_t kCoinsDid = 7062938597830631169;
constexpr int64_t kMonthlyDid = 9160176852588530424;

struct LoggedEvent {
  std::string origin;
  std::string name;
  Parameters parameters;
};

const SKProduct kCoins{"coins.100", "0.99", "EUR", "100 coins", std::nullopt};
const SKProduct kMonthly{"sub.monthly", "4.99", "EUR", "Monthly", std::nullopt};

SKProduct WithIntroductoryPrice(SKProduct product, const std::string& price, SKProductDiscountPaymentMode mode) {
  product.introductoryPrice = SKProductDiscount{price, mode};
  return product;
}

Parameters Base(const SKProduct& product, int64_t price, int64_t quantity = 1) {
  return {{"product_id", APMValue(product.productIdentifier)},
          {"price", APMValue(price)},
          {"value", APMValue(price * quantity)},
          {"quantity", APMValue(quantity)},
          {"currency", APMValue(product.currencyCode)},
          {"product_name", APMValue(product.localizedTitle)}};
}

Parameters With(Parameters parameters, const std::map<std::string, int64_t>& extra) {
  for (const auto& [key, value] : extra) parameters.insert_or_assign(key, APMValue(value));
  return parameters;
}

Purchase Item(const std::string& product, const std::string& transaction, const std::string& original,
              const std::string& date, uint64_t type) {
  Purchase p;
  p.productID = product;
  p.transactionID = transaction;
  p.originalTransactionID = original;
  p.purchaseDate = date;
  p.type = type;
  return p;
}

Purchase Subscription(const std::string& transaction, const std::string& date, uint64_t lineItem,
                      bool freeTrial = false, bool introductory = false) {
  Purchase p = Item("sub.monthly", transaction, kFirstID, date, 3);
  p.webOrderLineItemID = lineItem;
  if (freeTrial) p.freeTrial = 1;
  if (introductory) p.introductoryOffer = 1;
  return p;
}

SKPaymentTransactionPtr Transaction(const std::string& product, std::optional<std::string> id,
                                    SKPaymentTransactionState state = SKPaymentTransactionState::kPurchased) {
  auto transaction = std::make_shared<SKPaymentTransaction>();
  transaction->transactionState = state;
  transaction->payment.productIdentifier = product;
  transaction->transactionIdentifier = std::move(id);
  transaction->transactionDate = kNoon;
  return transaction;
}

class PurchaseReporterTest : public PurchaseFixture {
 protected:
  void SetUp() override {
    PurchaseFixture::SetUp();
    cache_ = APMInAppPurchaseProductCache::create();
    reporter_ = APMInAppPurchaseTransactionReporter::create(cache_);
    APMEngineHooks::setInternalEventLogger(
        [this](const std::string& origin, const std::string& name, const Parameters& parameters) {
          std::lock_guard<std::mutex> lock(mu_);
          events_.push_back({origin, name, parameters});
        });
  }
  std::vector<LoggedEvent> Events() {
    std::lock_guard<std::mutex> lock(mu_);
    return events_;
  }
  void ClearEvents() {
    std::lock_guard<std::mutex> lock(mu_);
    events_.clear();
  }
  // Products the cache knows, as after an answer.
  void Known(const std::vector<SKProduct>& products) {
    ASSERT_TRUE(storekit::StoreCatalogue::shared().setProducts(products).ok());
    std::set<std::string> ids;
    for (const SKProduct& product : products) ids.insert(product.productIdentifier);
    cache_->requestProductsWithProductIdentifiers(ids, platform::DispatchQueue::main(),
                                                  [](const auto&, const auto&, const auto&) {});
    ASSERT_TRUE(clock_->runUntilIdle());
  }

  std::shared_ptr<APMInAppPurchaseProductCache> cache_;
  std::shared_ptr<APMInAppPurchaseTransactionReporter> reporter_;
  std::mutex mu_;
  std::vector<LoggedEvent> events_;
};

TEST_F(PurchaseReporterTest, ClassifiesTransactionsAgainstTheReceipt) {
  struct Case {
    const char* name;
    std::optional<std::vector<Purchase>> receipt;  // none: no readable receipt
    SKProduct product;
    int64_t quantity;
    std::optional<std::string> transactionID;
    std::optional<std::string> originalID;
    double date;
    std::optional<std::string> event;  // none: nothing logged
    Parameters parameters;
    int code;  // a classification line that must be logged
    std::string systemVersion = "17.0";
    bool discountClass = true;
    std::string receiptName = "receipt";
  };
  const Purchase coins = Item("coins.100", kFirstID, kFirstID, kNoonText, 1);
  const Purchase february = Subscription(kFirstID, kFebruaryText, kLineItem - 1);
  const Purchase march = Subscription(kSecondID, kNoonText, kLineItem);
  const SKProduct introductory = WithIntroductoryPrice(kMonthly, "0.49", SKProductDiscountPaymentMode::kPayAsYouGo);
  const SKProduct freeTrialDiscount = WithIntroductoryPrice(kMonthly, "0.49", SKProductDiscountPaymentMode::kFreeTrial);
  const Purchase trialItem = Subscription(kFirstID, kNoonText, kLineItem, /*freeTrial=*/true);
  const Purchase introItem = Subscription(kFirstID, kNoonText, kLineItem, false, /*introductory=*/true);
  const int64_t trialDid =
      APMInAppPurchaseTransactionReporter::purchaseIdentity(kFirstID, kLineItem, std::string("sub.monthly"));
  SKProduct noCurrency = kCoins;
  noCurrency.currencyCode.clear();
  SKProduct noTitle = kCoins;
  noTitle.localizedTitle.clear();
  Parameters untitled = With(Base(kCoins, 990000), {{"_did", kCoinsDid}});
  untitled.erase("product_name");

  const std::vector<Case> cases = {
      {"consumable bought once", std::vector<Purchase>{coins}, kCoins, 1, kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(kCoins, 990000), {{"_did", kCoinsDid}}), 40021},
      {"three at once", std::vector<Purchase>{coins}, kCoins, 3, kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(kCoins, 990000, 3), {{"_did", kCoinsDid}}), 40021},
      {"non-consumable", std::vector<Purchase>{Item("coins.100", kFirstID, kFirstID, kNoonText, 0)}, kCoins, 1,
       kFirstID, std::nullopt, kNoon, "_iap", With(Base(kCoins, 990000), {{"_did", kCoinsDid}}), 40022},
      {"restore of a non-consumable", std::vector<Purchase>{Item("coins.100", kFirstID, kFirstID, kNoonText, 0)},
       kCoins, 1, kSecondID, kFirstID, kNoon, "_iapx", Base(kCoins, 990000), 40005},
      {"restore from a sandbox receipt",
       std::vector<Purchase>{Item("coins.100", kFirstID, kFirstID, kNoonText, 0)}, kCoins, 1, kSecondID, kFirstID,
       kNoon, "_iapx", With(Base(kCoins, 990000), {{"sandbox", 1}}), 40005, "17.0", true, "sandboxReceipt"},
      {"receipt item with mismatched IDs", std::vector<Purchase>{Item("coins.100", kSecondID, kFirstID, kNoonText, 1)},
       kCoins, 1, kSecondID, std::nullopt, kNoon, "_iap", Base(kCoins, 990000), 40007},
      {"missing in the receipt", std::vector<Purchase>{march}, kCoins, 1, kFirstID, std::nullopt, kNoon, "_iapx",
       Base(kCoins, 990000), 40020},
      {"no receipt", std::nullopt, kCoins, 1, kFirstID, std::nullopt, kNoon, "_iapx", Base(kCoins, 990000), 40020},
      {"empty transaction ID goes on", std::vector<Purchase>{coins}, kCoins, 1, "", std::nullopt, kNoon, "_iap",
       With(Base(kCoins, 990000), {{"_did", kCoinsDid}}), 40003},
      {"monthly renewal", std::vector<Purchase>{march, february}, kMonthly, 1, kSecondID, kFirstID, kNoon, "_assr",
       With(Base(kMonthly, 4990000), {{"_did", kMonthlyDid}}), 40008},
      {"renewal dated half a second past the receipt's second", std::vector<Purchase>{february, march}, kMonthly, 1,
       kSecondID, kFirstID, kNoon + 0.5, "_assr", With(Base(kMonthly, 4990000), {{"_did", kMonthlyDid}}), 40008},
      {"first paid period after a free trial",
       std::vector<Purchase>{Subscription(kFirstID, kFebruaryText, kLineItem - 1, true), march}, kMonthly, 1,
       kSecondID, kFirstID, kNoon, "_assc", With(Base(kMonthly, 4990000), {{"_did", kMonthlyDid}}), 40008},
      {"first subscription purchase", std::vector<Purchase>{Subscription(kFirstID, kNoonText, kLineItem)}, kMonthly,
       1, kFirstID, std::nullopt, kNoon, "_iap", With(Base(kMonthly, 4990000), {{"subscription", 1}, {"_did", trialDid}}),
       40008},
      {"free trial", std::vector<Purchase>{trialItem}, kMonthly, 1, kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(kMonthly, 0), {{"subscription", 1}, {"_did", trialDid}, {"free_trial", 1}, {"price_is_discounted", 1},
                                 {"original_price", 4990000}}),
       40009},
      {"free trial bought again", std::vector<Purchase>{trialItem}, kMonthly, 1, kSecondID, kFirstID, kNoon, "_iapx",
       With(Base(kMonthly, 0), {{"subscription", 1}, {"_did", trialDid}, {"free_trial", 1}, {"price_is_discounted", 1},
                                 {"original_price", 4990000}}),
       40011},
      {"introductory offer", std::vector<Purchase>{introItem}, introductory, 1, kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(introductory, 490000), {{"subscription", 1}, {"_did", trialDid}, {"price_is_discounted", 1},
                                          {"original_price", 4990000}}),
       40018},
      {"introductory offer without the discount class", std::vector<Purchase>{introItem}, introductory, 1, kFirstID,
       std::nullopt, kNoon, "_iap",
       With(Base(introductory, 4990000), {{"subscription", 1}, {"_did", trialDid}, {"price_is_discounted", 1}}),
       40018, "17.0", false},
      {"free-trial discount on 11.2", std::vector<Purchase>{introItem}, freeTrialDiscount, 1, kFirstID, std::nullopt,
       kNoon, "_iap",
       With(Base(freeTrialDiscount, 0), {{"subscription", 1}, {"_did", trialDid}, {"price_is_discounted", 1},
                                         {"original_price", 4990000}}),
       40010, "11.2"},
      {"free-trial discount on 11.1 takes the discount price", std::vector<Purchase>{introItem}, freeTrialDiscount, 1,
       kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(freeTrialDiscount, 490000), {{"subscription", 1}, {"_did", trialDid}, {"price_is_discounted", 1},
                                              {"original_price", 4990000}}),
       40010, "11.1"},
      {"non-renewing subscription",
       std::vector<Purchase>{Item("sub.monthly", kFirstID, kFirstID, kNoonText, 2),
                             Item("sub.monthly", kSecondID, kSecondID, kFebruaryText, 2)},
       kMonthly, 1, kFirstID, std::nullopt, kNoon, "_iap",
       With(Base(kMonthly, 4990000),
            {{"subscription", 1},
             {"_did", APMInAppPurchaseTransactionReporter::purchaseIdentity(kFirstID, std::nullopt,
                                                                             std::string("sub.monthly"))}}),
       40025},
      {"subscription missing at its date", std::vector<Purchase>{february, march}, kMonthly, 1, kSecondID, kFirstID,
       kNoon + 60, "_iapx", With(Base(kMonthly, 4990000), {{"subscription", 1}}), 40023},
      {"two items at the same date",
       std::vector<Purchase>{Subscription(kFirstID, kNoonText, kLineItem - 1), march}, kMonthly, 1, kSecondID,
       kFirstID, kNoon, "_iapx", With(Base(kMonthly, 4990000), {{"subscription", 1}}), 40024},
      {"consumable missing at its date",
       std::vector<Purchase>{coins, Item("coins.100", kSecondID, kSecondID, kFebruaryText, 1)}, kCoins, 1, kFirstID,
       std::nullopt, kNoon + 60, "_iap", With(Base(kCoins, 990000), {{"_did", -1}}), 40008},
      {"no currency", std::vector<Purchase>{coins}, noCurrency, 1, kFirstID, std::nullopt, kNoon, std::nullopt, {},
       40021},
      {"no title", std::vector<Purchase>{coins}, noTitle, 1, kFirstID, std::nullopt, kNoon, "_iap", untitled, 40021},
      {"quantity 0 has no value", std::vector<Purchase>{coins}, kCoins, 0, kFirstID, std::nullopt, kNoon,
       std::nullopt, {}, 40021},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uikit::DeviceProfile profile = uikit::DeviceProfile::phone390x844();
    profile.systemVersion = c.systemVersion;
    uikit::Device::setCurrent(profile);
    SKProductDiscount::setClassAvailable(c.discountClass);
    std::optional<std::vector<APMInAppPurchaseItem>> items;
    if (c.receipt) {
      InstallReceipt(Receipt(*c.receipt), c.receiptName);
      items = APMInAppPurchaseTransactionReporter::parsePurchasedItemsFromReceipt();
      ASSERT_TRUE(items);
    } else {
      storekit::AppStoreReceipt::setURL(root_.path() + "/none/" + c.receiptName);
      ASSERT_FALSE(APMInAppPurchaseTransactionReporter::parsePurchasedItemsFromReceipt());
    }
    ClearEvents();
    ForgetLog();
    reporter_->reportTransactionWithProduct(c.product, c.quantity, c.transactionID, c.originalID, c.date, items);
    std::vector<LoggedEvent> events = Events();
    if (c.event) {
      ASSERT_EQ(events.size(), 1u);
      EXPECT_EQ(events[0].origin, "auto");
      EXPECT_EQ(events[0].name, *c.event);
      EXPECT_EQ(events[0].parameters, c.parameters);
    } else {
      EXPECT_TRUE(events.empty());
    }
    EXPECT_TRUE(Logged(c.code));
  }
}

TEST_F(PurchaseReporterTest, TransactionsThatCannotBeDescribed) {
  struct Case {
    const char* name;
    std::optional<SKProduct> product;
    int code;
  };
  SKProduct unnamed = kCoins;
  unnamed.productIdentifier.clear();
  SKProduct unpriced = kCoins;
  unpriced.price.clear();
  SKProduct huge = kCoins;
  huge.price = "99999999999999";  // x 10^6 is past int64
  const Case cases[] = {
      {"no product", std::nullopt, 40026},
      {"no product ID", unnamed, 40027},
      {"no price", unpriced, 40021},
      {"price past int64", huge, 40021},
  };
  InstallReceipt(Receipt({Item("coins.100", kFirstID, kFirstID, kNoonText, 1)}));
  auto items = APMInAppPurchaseTransactionReporter::parsePurchasedItemsFromReceipt();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForgetLog();
    reporter_->reportTransactionWithProduct(c.product, 1, kFirstID, std::nullopt, kNoon, items);
    EXPECT_TRUE(Events().empty());
    EXPECT_TRUE(Logged(c.code));
  }
}

TEST_F(PurchaseReporterTest, PricesAreExactDecimalMicros) {
  struct Case {
    const char* price;
    int64_t quantity;
    std::optional<int64_t> micros;
    std::optional<int64_t> value;
  };
  const Case cases[] = {
      {"2.01", 1, 2010000, 2010000},  // a double gives 2009999
      {"0.0000015", 3, 1, 4},         // truncated once, not per unit
      {"0.99", 7, 990000, 6930000},
      {"9223372036854.775807", 1, INT64_MAX, INT64_MAX},
      {"9223372036854.775808", 1, std::nullopt, std::nullopt},
      {"9223372036854.775807", 2, INT64_MAX, std::nullopt},
      {"0", 5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.price) + " x " + std::to_string(c.quantity));
    auto number = APMDecimalNumber::fromString(c.price);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->truncatedInt64Product(1, 6), c.micros);
    EXPECT_EQ(number->truncatedInt64Product(c.quantity, 6), c.value);
  }
  auto negative = APMDecimalNumber::fromString("-9223372036854.775808");
  ASSERT_TRUE(negative);
  EXPECT_EQ(negative->truncatedInt64Product(1, 6), INT64_MIN);
  EXPECT_EQ(APMDecimalNumber::fromString("-1.9")->truncatedInt64Product(1, 0), -1) << "toward zero";
  EXPECT_EQ(APMDecimalNumber::fromString("120")->truncatedInt64Product(-2, 2), -24000);

  // Through the reporter: "price" and "value" of 2.01 and 0.0000015 x 3.
  InstallReceipt(Receipt({Item("coins.100", kFirstID, kFirstID, kNoonText, 1)}));
  auto items = APMInAppPurchaseTransactionReporter::parsePurchasedItemsFromReceipt();
  SKProduct product = kCoins;
  product.price = "2.01";
  reporter_->reportTransactionWithProduct(product, 1, kFirstID, std::nullopt, kNoon, items);
  product.price = "0.0000015";
  reporter_->reportTransactionWithProduct(product, 3, kFirstID, std::nullopt, kNoon, items);
  auto events = Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].parameters.at("price"), APMValue(int64_t{2010000}));
  EXPECT_EQ(events[1].parameters.at("price"), APMValue(int64_t{1}));
  EXPECT_EQ(events[1].parameters.at("value"), APMValue(int64_t{4}));
}

TEST_F(PurchaseReporterTest, PurchaseIdentity) {
  struct Case {
    std::optional<std::string> original;
    std::optional<uint64_t> lineItem;
    std::optional<std::string> product;
    int64_t expected;
  };
  const Case cases[] = {
      {kFirstID, std::nullopt, "coins.100", kCoinsDid},
      {kFirstID, kLineItem, "sub.monthly", kMonthlyDid},
      {std::nullopt, std::nullopt, "coins.100", -1},
      {"", kLineItem, "coins.100", -1},
      {kFirstID, std::nullopt, "", -1},
      {kFirstID, std::nullopt, std::nullopt, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(APMInAppPurchaseTransactionReporter::purchaseIdentity(c.original, c.lineItem, c.product), c.expected);
  }
}

TEST_F(PurchaseReporterTest, Fingerprint) {
  struct Case {
    const char* name;
    SKPaymentTransactionPtr transaction;
    std::optional<std::string> expected;
    const char* monitored;
  };
  const Case cases[] = {
      {"purchased", Transaction("coins.100", "1000000987654321"), "aef0615a55910d9f5a8fcd57b5a4a45f", nullptr},
      {"no transaction", nullptr, std::nullopt, "Transaction is nil"},
      {"not purchased", Transaction("coins.100", "1000000987654321", SKPaymentTransactionState::kRestored),
       std::nullopt, nullptr},
      {"no identifier", Transaction("coins.100", std::nullopt), std::nullopt, "Transaction identifier is nil"},
      {"empty identifier", Transaction("coins.100", ""), std::nullopt, "Transaction identifier is empty"},
      {"zeroes and dashes", Transaction("coins.100", "000-000"), std::nullopt, "Transaction identifier is only zeroes"},
      {"one zero", Transaction("coins.100", "0"), std::nullopt, "Transaction identifier is only zeroes"},
      {"zeroes around a digit", Transaction("coins.100", "0-1-0"), "7c07f7c6a1e0a1fe1c9d2afa0daf872a",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForgetLog();
    auto fingerprint = APMInAppPurchaseTransactionReporter::transactionFingerprint(c.transaction);
    EXPECT_EQ(fingerprint, c.expected);
    if (c.monitored) {
      EXPECT_TRUE(Monitored(c.monitored));
    }
  }
}

TEST_F(PurchaseReporterTest, EntryLooksUpUnknownProductsOnce) {
  ASSERT_TRUE(storekit::StoreCatalogue::shared().setProducts({kCoins, kMonthly}).ok());
  InstallReceipt(Receipt({Item("coins.100", kFirstID, kFirstID, kNoonText, 1)}));
  auto& queue = storekit::SKPaymentQueue::defaultQueue();
  reporter_->paymentQueueUpdatedFilteredTransactions(
      queue, {Transaction("coins.100", kFirstID), Transaction("coins.100", kSecondID, SKPaymentTransactionState::kFailed),
              Transaction("", "1000000000000001"), nullptr});
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(storekit::StoreCatalogue::shared().requestCount(), 1);
  auto events = Events();
  ASSERT_EQ(events.size(), 1u) << "only the purchased transaction with a product";
  EXPECT_EQ(events[0].name, "_iap");
  EXPECT_TRUE(Logged(21028));

  // Known now: reported without asking StoreKit.
  ClearEvents();
  reporter_->paymentQueueUpdatedFilteredTransactions(queue, {Transaction("coins.100", kFirstID)});
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(storekit::StoreCatalogue::shared().requestCount(), 1);
  EXPECT_EQ(Events().size(), 1u);

  // Nothing purchased: nothing asked, nothing reported.
  ClearEvents();
  reporter_->paymentQueueUpdatedFilteredTransactions(
      queue, {Transaction("sub.monthly", kFirstID, SKPaymentTransactionState::kPurchasing)});
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(storekit::StoreCatalogue::shared().requestCount(), 1);
  EXPECT_TRUE(Events().empty());

  // A product StoreKit does not know: asked, then skipped (no product).
  reporter_->paymentQueueUpdatedFilteredTransactions(queue, {Transaction("gone", kFirstID)});
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(storekit::StoreCatalogue::shared().requestCount(), 2);
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(Logged(40026));
}

// The engine's duplicate filter and fingerprint deletion over a real
// measurement database: a failed product lookup drops the batch, which must
// not leave its purchases marked as reported.
class PurchaseDroppedBatchTest : public PurchaseReporterTest {
 protected:
  void SetUp() override {
    PurchaseReporterTest::SetUp();
    APMError error;
    database_ = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName,
                                                  APMPersistedConfig::initWithSuiteName("purchase-test"), &error);
    ASSERT_TRUE(database_) << error.localizedDescription();
    APMEngineHooks::setPurchaseFingerprintsForgetter([this](const std::vector<std::string>& fingerprints) {
      forgotten_.push_back(fingerprints);
      APMError deleteError;
      EXPECT_TRUE(database_->deletePurchaseFingerprints(fingerprints, &deleteError));
    });
  }
  void TearDown() override {
    database_.reset();
    PurchaseReporterTest::TearDown();
  }
  // The engine's filter: passes what it had not recorded yet.
  std::vector<SKPaymentTransactionPtr> Filter(const std::vector<SKPaymentTransactionPtr>& transactions) {
    std::vector<SKPaymentTransactionPtr> passed;
    for (const auto& transaction : transactions) {
      auto fingerprint = APMInAppPurchaseTransactionReporter::transactionFingerprint(transaction);
      if (!fingerprint) {
        passed.push_back(transaction);
        continue;
      }
      APMError error;
      if (database_->insertIfNotDuplicatePurchaseFingerprint(*fingerprint, &error).value_or(true)) {
        passed.push_back(transaction);
      }
    }
    return passed;
  }
  void Deliver(const std::vector<SKPaymentTransactionPtr>& transactions) {
    reporter_->paymentQueueUpdatedFilteredTransactions(storekit::SKPaymentQueue::defaultQueue(), Filter(transactions));
    ASSERT_TRUE(clock_->runUntilIdle());
  }

  std::shared_ptr<APMDatabase> database_;
  std::vector<std::vector<std::string>> forgotten_;
};

TEST_F(PurchaseDroppedBatchTest, LookupFailureForgetsTheBatchSoItsRedeliveryIsReportedOnce) {
  ASSERT_TRUE(storekit::StoreCatalogue::shared().setProducts({kCoins}).ok());
  InstallReceipt(Receipt({Item("coins.100", "1000000987654321", "1000000987654321", kNoonText, 1)}));
  const std::vector<SKPaymentTransactionPtr> batch = {Transaction("coins.100", "1000000987654321"),
                                                      Transaction("coins.100", "000-000")};
  storekit::StoreCatalogue::shared().setScriptedError(
      storekit::SKError{storekit::kSKErrorDomain, storekit::kSKErrorCloudServiceNetworkConnectionFailed, "offline"});
  Deliver(batch);
  EXPECT_TRUE(Logged(21027));
  EXPECT_TRUE(Events().empty());
  ASSERT_EQ(forgotten_.size(), 1u);
  EXPECT_EQ(forgotten_[0], std::vector<std::string>{"aef0615a55910d9f5a8fcd57b5a4a45f"});

  storekit::StoreCatalogue::shared().setScriptedError(std::nullopt);
  Deliver(batch);
  Deliver(batch);
  auto events = Events();
  // The identifier made of zeroes has no fingerprint, so it passes each time.
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(forgotten_.size(), 1u);
}

TEST_F(PurchaseDroppedBatchTest, ADroppedBatchWithoutFingerprintsForgetsNothing) {
  storekit::StoreCatalogue::shared().setScriptedError(
      storekit::SKError{storekit::kSKErrorDomain, storekit::kSKErrorUnknown, "down"});
  Deliver({Transaction("coins.100", "000-000"), Transaction("coins.100", std::nullopt)});
  EXPECT_TRUE(Logged(21027));
  EXPECT_TRUE(forgotten_.empty());
  EXPECT_FALSE(Logged(21029));
}

// Batches overlapping in time, each against the receipt it read at its
// start: a batch is classified with one receipt throughout.
TEST_F(PurchaseReporterTest, OverlappingBatchesEachKeepTheirReceipt) {
  Known({kCoins});
  const platform::Bytes withCoins = Receipt({Item("coins.100", kFirstID, kFirstID, kNoonText, 1)});
  const platform::Bytes withoutCoins = Receipt({Item("other", kFirstID, kFirstID, kNoonText, 1)});
  const std::string path = InstallReceipt(withCoins);

  thread_local std::vector<std::string>* batchNames = nullptr;
  APMEngineHooks::setInternalEventLogger([](const std::string&, const std::string& name, const Parameters&) {
    if (batchNames != nullptr) batchNames->push_back(name);
  });
  std::vector<SKPaymentTransactionPtr> batch;
  for (int i = 0; i < 20; ++i) batch.push_back(Transaction("coins.100", kFirstID));

  std::atomic<bool> done{false};
  std::atomic<int> mixed{0};
  std::atomic<int> batches{0};
  std::thread swapper([&] {
    for (int i = 0; !done.load(); ++i) {
      const platform::Bytes& bytes = i % 2 == 0 ? withoutCoins : withCoins;
      ASSERT_TRUE(platform::FileManager::defaultManager()
                      .writeAtomically(path, std::string(bytes.begin(), bytes.end()))
                      .ok());
    }
  });
  std::vector<std::thread> reporters;
  for (int t = 0; t < 4; ++t) {
    reporters.emplace_back([&] {
      for (int round = 0; round < 25; ++round) {
        std::vector<std::string> names;
        batchNames = &names;
        reporter_->reportTransactionsFromArray(batch);
        batchNames = nullptr;
        ++batches;
        if (names.size() != batch.size() ||
            std::count(names.begin(), names.end(), names.front()) != static_cast<long>(names.size())) {
          ++mixed;
        }
      }
    });
  }
  for (auto& thread : reporters) thread.join();
  done = true;
  swapper.join();
  EXPECT_EQ(batches.load(), 100);
  EXPECT_EQ(mixed.load(), 0) << "a batch was classified with more than one receipt";
}

}  // namespace
