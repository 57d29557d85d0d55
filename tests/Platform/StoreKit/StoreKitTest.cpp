#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/StoreKit/AppStoreReceipt.h"
#include "Platform/StoreKit/SKAdNetwork.h"
#include "Platform/StoreKit/SKPaymentQueue.h"
#include "Platform/StoreKit/SKProductsRequest.h"
#include "Platform/StoreKit/StoreCatalogue.h"

namespace storekit {
namespace {

class StoreKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    StoreCatalogue::shared().reset();
  }
  void TearDown() override {
    ASSERT_TRUE(clock_->runUntilIdle());
    StoreCatalogue::shared().reset();
    SKPaymentQueue::defaultQueue().reset();
    SKAdNetwork::reset();
    SKProductDiscount::setClassAvailable(true);
    AppStoreReceipt::setURL(std::nullopt);
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }
  std::shared_ptr<platform::ManualClock> clock_;
};

SKProduct Coins() { return {"coins.100", "0.99", "EUR", "100 coins", std::nullopt}; }
SKProduct Monthly() {
  return {"sub.monthly", "4.99", "USD", "Monthly",
          SKProductDiscount{"0.0000015", SKProductDiscountPaymentMode::kPayUpFront}};
}

// What the delegate heard, and on which queue.
class Recorder : public SKProductsRequestDelegate {
 public:
  void productsRequestDidReceiveResponse(SKProductsRequest&, const SKProductsResponse& r) override {
    std::lock_guard<std::mutex> lock(mu);
    response = r;
    label = platform::DispatchQueue::currentLabel();
    ++calls;
  }
  void requestDidFailWithError(SKProductsRequest&, const SKError& e) override {
    std::lock_guard<std::mutex> lock(mu);
    error = e;
    label = platform::DispatchQueue::currentLabel();
    ++calls;
  }
  std::mutex mu;
  std::optional<SKProductsResponse> response;
  std::optional<SKError> error;
  std::string label;
  int calls = 0;
};

TEST_F(StoreKitTest, PricesMustBeExactDecimalText) {
  struct Case {
    const char* text;
    bool decimal;
  };
  for (const Case c : {Case{"0.99", true}, Case{"12", true}, Case{"0.0000015", true}, Case{"2.01", true},
                       Case{"", false}, Case{".99", false}, Case{"1.", false}, Case{"-1", false},
                       Case{"1e3", false}, Case{"1.2.3", false}, Case{" 1", false}, Case{"1,5", false}}) {
    EXPECT_EQ(SKProduct::isDecimalText(c.text), c.decimal) << '"' << c.text << '"';
  }
}

TEST_F(StoreKitTest, CatalogueRefusesBadProductsAndKeepsWhatItHad) {
  ASSERT_TRUE(StoreCatalogue::shared().setProducts({Coins()}).ok());
  SKProduct badPrice = Monthly();
  badPrice.price = "4,99";
  SKProduct badIntro = Monthly();
  badIntro.introductoryPrice->price = "free";
  SKProduct noId = Coins();
  noId.productIdentifier.clear();
  const std::vector<std::pair<const char*, std::vector<SKProduct>>> refused = {
      {"price", {badPrice}},
      {"introductory price", {badIntro}},
      {"without identifier", {noId}},
      {"twice", {Monthly(), Monthly()}},
  };
  for (const auto& [fragment, products] : refused) {
    platform::Status status = StoreCatalogue::shared().setProducts(products);
    EXPECT_FALSE(status.ok()) << fragment;
    EXPECT_NE(status.message().find(fragment), std::string::npos) << status.message();
    EXPECT_EQ(StoreCatalogue::shared().product("coins.100"), Coins()) << "catalogue lost by a refused update";
  }
}

TEST_F(StoreKitTest, ProductsRequestAnswersOnTheStoreKitThreadFromTheCatalogue) {
  ASSERT_TRUE(StoreCatalogue::shared().setProducts({Coins(), Monthly()}).ok());
  auto recorder = std::make_shared<Recorder>();
  auto request = SKProductsRequest::create({"sub.monthly", "unknown", "coins.100"});
  request->setDelegate(recorder);
  request->start();
  request.reset();  // a running request keeps itself alive
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_EQ(recorder->calls, 1);
  EXPECT_EQ(recorder->label, SKProductsRequest::storeKitQueue()->label());
  ASSERT_TRUE(recorder->response);
  EXPECT_EQ(recorder->response->products, (std::vector<SKProduct>{Coins(), Monthly()}));
  EXPECT_EQ(recorder->response->invalidProductIdentifiers, (std::vector<std::string>{"unknown"}));
  EXPECT_EQ(recorder->response->products[1].introductoryPrice->paymentMode, SKProductDiscountPaymentMode::kPayUpFront);

  // Nothing known: an empty product list, every identifier invalid, no error.
  StoreCatalogue::shared().reset();
  auto empty = std::make_shared<Recorder>();
  auto second = SKProductsRequest::create({"coins.100"});
  second->setDelegate(empty);
  second->start();
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_TRUE(empty->response);
  EXPECT_TRUE(empty->response->products.empty());
  EXPECT_EQ(empty->response->invalidProductIdentifiers, (std::vector<std::string>{"coins.100"}));
  EXPECT_FALSE(empty->error);
}

TEST_F(StoreKitTest, ScriptedErrorCancelAndReleasedDelegate) {
  ASSERT_TRUE(StoreCatalogue::shared().setProducts({Coins()}).ok());
  const SKError offline{kSKErrorDomain, kSKErrorCloudServiceNetworkConnectionFailed, "offline"};
  StoreCatalogue::shared().setScriptedError(offline);
  auto failed = std::make_shared<Recorder>();
  auto request = SKProductsRequest::create({"coins.100"});
  request->setDelegate(failed);
  request->start();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(failed->error, offline);
  EXPECT_FALSE(failed->response);
  EXPECT_EQ(failed->label, SKProductsRequest::storeKitQueue()->label());

  StoreCatalogue::shared().setScriptedError(std::nullopt);
  auto cancelled = std::make_shared<Recorder>();
  auto toCancel = SKProductsRequest::create({"coins.100"});
  toCancel->setDelegate(cancelled);
  SKProductsRequest::storeKitQueue()->suspend();  // hold the answer until cancelled
  toCancel->start();
  toCancel->cancel();
  SKProductsRequest::storeKitQueue()->resume();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(cancelled->calls, 0);

  auto gone = std::make_shared<Recorder>();
  auto orphan = SKProductsRequest::create({"coins.100"});
  orphan->setDelegate(gone);
  std::weak_ptr<Recorder> watch = gone;
  gone.reset();
  orphan->start();
  ASSERT_TRUE(clock_->runUntilIdle());  // must not touch the released delegate
  EXPECT_TRUE(watch.expired());
}

class Observer : public SKPaymentTransactionObserver {
 public:
  Observer(std::vector<std::string>& trace, std::string tag) : trace_(trace), tag_(std::move(tag)) {}
  void paymentQueueUpdatedTransactions(SKPaymentQueue& queue,
                                       const std::vector<SKPaymentTransactionPtr>& transactions) override {
    EXPECT_EQ(&queue, &SKPaymentQueue::defaultQueue());
    EXPECT_TRUE(platform::RunLoop::isMainThread());
    for (const auto& t : transactions) trace_.push_back(tag_ + " " + t->payment.productIdentifier);
    last = transactions;
  }
  std::vector<SKPaymentTransactionPtr> last;

 private:
  std::vector<std::string>& trace_;
  std::string tag_;
};

TEST_F(StoreKitTest, PaymentQueueDeliversBatchesOnTheMainQueueToLiveObservers) {
  std::vector<std::string> trace;
  auto first = std::make_shared<Observer>(trace, "first");
  auto second = std::make_shared<Observer>(trace, "second");
  auto dropped = std::make_shared<Observer>(trace, "dropped");
  SKPaymentQueue& queue = SKPaymentQueue::defaultQueue();
  queue.addTransactionObserver(first);
  queue.addTransactionObserver(second);
  queue.addTransactionObserver(first);  // once only
  queue.addTransactionObserver(dropped);
  dropped.reset();
  EXPECT_EQ(queue.transactionObservers(), (std::vector<std::shared_ptr<SKPaymentTransactionObserver>>{first, second}));

  auto original = std::make_shared<SKPaymentTransaction>();
  original->transactionState = SKPaymentTransactionState::kPurchased;
  original->payment = {"sub.monthly", 1};
  original->transactionIdentifier = "1000000055555555";
  auto renewal = std::make_shared<SKPaymentTransaction>();
  renewal->transactionState = SKPaymentTransactionState::kRestored;
  renewal->payment = {"sub.monthly", 2};
  renewal->transactionIdentifier = "1000000123456789";
  renewal->originalTransaction = original;
  renewal->transactionDate = 1700000000.5;
  auto failed = std::make_shared<SKPaymentTransaction>();
  failed->transactionState = SKPaymentTransactionState::kFailed;
  failed->payment = {"coins.100", 1};
  failed->errorCode = kSKErrorPaymentCancelled;

  queue.updateTransactions({renewal, failed});
  EXPECT_TRUE(trace.empty()) << "delivered on the caller's thread instead of the main queue";
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace, (std::vector<std::string>{"first sub.monthly", "first coins.100", "second sub.monthly",
                                             "second coins.100"}));
  ASSERT_EQ(second->last.size(), 2u);
  EXPECT_EQ(second->last[0]->originalTransaction->transactionIdentifier, "1000000055555555");
  EXPECT_EQ(second->last[0]->payment.quantity, 2);
  EXPECT_EQ(second->last[0]->transactionDate, 1700000000.5);
  EXPECT_EQ(second->last[1]->errorCode, kSKErrorPaymentCancelled);

  queue.removeTransactionObserver(first);
  trace.clear();
  queue.updateTransactions({failed});
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace, (std::vector<std::string>{"second coins.100"}));
}

TEST_F(StoreKitTest, ReceiptURLDiscountSwitchAndAdNetworkRegistrations) {
  EXPECT_EQ(AppStoreReceipt::url(), platform::Bundle::main().bundlePath() + "/StoreKit/receipt");
  AppStoreReceipt::setURL("/tmp/app/StoreKit/sandboxReceipt");
  EXPECT_EQ(AppStoreReceipt::url(), "/tmp/app/StoreKit/sandboxReceipt");
  AppStoreReceipt::setURL(std::nullopt);
  EXPECT_EQ(AppStoreReceipt::url(), platform::Bundle::main().bundlePath() + "/StoreKit/receipt");
  struct Case {
    const char* path;
    bool sandbox;
  };
  for (const Case c : {Case{"/a/StoreKit/sandboxReceipt", true}, Case{"sandboxReceipt", true},
                       Case{"/a/StoreKit/receipt", false}, Case{"/a/sandboxReceipt/receipt", false},
                       Case{"/a/StoreKit/sandboxReceipt2", false}, Case{"", false}}) {
    EXPECT_EQ(AppStoreReceipt::isSandboxURL(c.path), c.sandbox) << c.path;
  }

  EXPECT_TRUE(SKProductDiscount::isClassAvailable());
  SKProductDiscount::setClassAvailable(false);
  EXPECT_FALSE(SKProductDiscount::isClassAvailable());

  EXPECT_EQ(SKAdNetwork::registrationCount(), 0);
  SKAdNetwork::registerAppForAdNetworkAttribution();
  SKAdNetwork::registerAppForAdNetworkAttribution();
  EXPECT_EQ(SKAdNetwork::registrationCount(), 2);
}

}  // namespace
}  // namespace storekit
