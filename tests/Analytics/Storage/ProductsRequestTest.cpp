// The products request wrapper over the StoreKit stand-in.
#include "Analytics/Storage/Purchases/APMProductsRequest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/StoreKit/StoreCatalogue.h"

namespace {

using storekit::SKProduct;
using storekit::StoreCatalogue;

struct ProductsAnswer {
  int calls = 0;
  std::string label;
  std::optional<APMProductsRequest::Products> products;
  std::optional<std::set<std::string>> invalid;
  std::optional<APMError> error;
};

class ProductsRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    StoreCatalogue::shared().reset();
    ASSERT_TRUE(StoreCatalogue::shared().setProducts({coins, monthly}).ok());
  }
  void TearDown() override {
    ASSERT_TRUE(clock_->runUntilIdle());
    StoreCatalogue::shared().reset();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }
  // Asks through the class method; the answer lands in `answer`.
  void request(const std::set<std::string>& ids, std::shared_ptr<ProductsAnswer> answer) {
    APMProductsRequest::requestProductsWithProductIdentifiers(
        ids, queue_, [answer, queue = queue_](const auto& products, const auto& invalid, const auto& error) {
          ++answer->calls;
          answer->label = platform::DispatchQueue::currentLabel();
          answer->products = products;
          answer->invalid = invalid;
          answer->error = error;
        });
    ASSERT_TRUE(clock_->runUntilIdle());
  }

  std::shared_ptr<platform::ManualClock> clock_;
  platform::DispatchQueuePtr queue_ = platform::DispatchQueue::create("test.products.caller");
  SKProduct coins{"coins.100", "0.99", "EUR", "100 coins", std::nullopt};
  SKProduct monthly{"sub.monthly", "4.99", "EUR", "Monthly", std::nullopt};
};

TEST_F(ProductsRequestTest, AnswersOnceOnTheCallersQueue) {
  struct Case {
    const char* name;
    std::set<std::string> ids;
    APMProductsRequest::Products products;
    std::set<std::string> invalid;
  };
  const Case cases[] = {
      {"known and unknown", {"coins.100", "sub.monthly", "gone"}, {{"coins.100", coins}, {"sub.monthly", monthly}},
       {"gone"}},
      {"nothing valid", {"gone", "lost"}, {}, {"gone", "lost"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto answer = std::make_shared<ProductsAnswer>();
    request(c.ids, answer);
    EXPECT_EQ(answer->calls, 1);
    EXPECT_EQ(answer->label, queue_->label());
    EXPECT_EQ(answer->products, c.products);
    EXPECT_EQ(answer->invalid, c.invalid);
    EXPECT_FALSE(answer->error);
  }
}

TEST_F(ProductsRequestTest, FailureHandsOnStoreKitsError) {
  const storekit::SKError offline{storekit::kSKErrorDomain, storekit::kSKErrorCloudServiceNetworkConnectionFailed,
                                  "offline"};
  StoreCatalogue::shared().setScriptedError(offline);
  auto answer = std::make_shared<ProductsAnswer>();
  request({"coins.100"}, answer);
  EXPECT_EQ(answer->calls, 1);
  EXPECT_EQ(answer->label, queue_->label());
  EXPECT_FALSE(answer->products);
  EXPECT_FALSE(answer->invalid);
  ASSERT_TRUE(answer->error);
  EXPECT_EQ(answer->error->domain(), storekit::kSKErrorDomain);
  EXPECT_EQ(answer->error->code(), storekit::kSKErrorCloudServiceNetworkConnectionFailed);
  EXPECT_EQ(answer->error->localizedDescription(), "offline");
}

TEST_F(ProductsRequestTest, MissingQueueOrHandlerRequestsNothing) {
  int calls = 0;
  APMProductsRequest::requestProductsWithProductIdentifiers({"coins.100"}, nullptr,
                                                            [&](const auto&, const auto&, const auto&) { ++calls; });
  APMProductsRequest::requestProductsWithProductIdentifiers({"coins.100"}, queue_, nullptr);
  auto instance = APMProductsRequest::initWithProductIdentifiers({"coins.100"});
  ASSERT_TRUE(instance);
  instance->requestWithQueue(queue_, nullptr);
  instance->requestWithQueue(nullptr, [&](const auto&, const auto&, const auto&) { ++calls; });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(StoreCatalogue::shared().requestCount(), 0);
}

TEST_F(ProductsRequestTest, RequestLivesUntilItsAnswerAndNoLonger) {
  // The caller keeps nothing; what the handler captured is released with the
  // request once the answer ran (no reference cycle is left behind).
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  int calls = 0;
  // StoreKit answers on its own thread; the suspended caller queue keeps the
  // answer from running before the check below.
  queue_->suspend();
  APMProductsRequest::requestProductsWithProductIdentifiers(
      {"coins.100"}, queue_, [sentinel, &calls](const auto& products, const auto&, const auto&) {
        if (products && products->count("coins.100")) ++calls;
      });
  sentinel.reset();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_FALSE(watch.expired()) << "released before the answer";
  EXPECT_EQ(calls, 0);
  queue_->resume();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(watch.expired()) << "the request outlived its answer";
}

}  // namespace
