// The product cache over the StoreKit stand-in.
#include "Analytics/Storage/Purchases/APMInAppPurchaseProductCache.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"
#include "tests/Analytics/Storage/PurchaseFixture.h"

namespace {

using storekit::SKProduct;
using storekit::StoreCatalogue;

struct CacheAnswer {
  int calls = 0;
  std::string label;
  APMInAppPurchaseProductCache::Products products;
  std::set<std::string> invalid;
  std::optional<APMError> error;
};

SKProduct Product(const std::string& id) { return SKProduct{id, "0.99", "EUR", "Title " + id, std::nullopt}; }

std::set<std::string> Ids(const std::string& prefix, int from, int to) {
  std::set<std::string> ids;
  for (int i = from; i < to; ++i) ids.insert(prefix + std::to_string(i));
  return ids;
}

class PurchaseProductCacheTest : public PurchaseFixture {
 protected:
  void SetUp() override {
    PurchaseFixture::SetUp();
    cache_ = APMInAppPurchaseProductCache::create();
  }
  void Catalogue(const std::set<std::string>& ids) {
    std::vector<SKProduct> products;
    for (const std::string& id : ids) products.push_back(Product(id));
    ASSERT_TRUE(StoreCatalogue::shared().setProducts(products).ok());
  }
  std::shared_ptr<CacheAnswer> Request(const std::set<std::string>& ids) {
    auto answer = std::make_shared<CacheAnswer>();
    cache_->requestProductsWithProductIdentifiers(ids, caller_,
                                                  [answer](const auto& products, const auto& invalid, const auto& error) {
                                                    ++answer->calls;
                                                    answer->label = platform::DispatchQueue::currentLabel();
                                                    answer->products = products;
                                                    answer->invalid = invalid;
                                                    answer->error = error;
                                                  });
    EXPECT_TRUE(clock_->runUntilIdle());
    return answer;
  }

  std::shared_ptr<APMInAppPurchaseProductCache> cache_;
  platform::DispatchQueuePtr caller_ = platform::DispatchQueue::create("test.product-cache.caller");
};

TEST_F(PurchaseProductCacheTest, AlwaysAsksStoreKitAndAnswersOnTheCallersQueue) {
  Catalogue({"coins.100", "sub.monthly"});
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    auto answer = Request({"coins.100", "gone"});
    EXPECT_EQ(StoreCatalogue::shared().requestCount(), round) << "the cache is not consulted first";
    EXPECT_EQ(answer->calls, 1);
    EXPECT_EQ(answer->label, caller_->label());
    EXPECT_EQ(answer->products.size(), 1u);
    EXPECT_EQ(answer->invalid, std::set<std::string>{"gone"});
    EXPECT_FALSE(answer->error);
  }
  EXPECT_EQ(cache_->cachedProductForProductIdentifier("coins.100"), Product("coins.100"));
  EXPECT_FALSE(cache_->cachedProductForProductIdentifier("sub.monthly")) << "never asked for";
  EXPECT_FALSE(cache_->cachedProductForProductIdentifier("gone"));
  EXPECT_EQ(cache_->invalidProductIdentifiers(), std::set<std::string>{"gone"});
}

TEST_F(PurchaseProductCacheTest, InvalidLaterFoundMovesToTheProducts) {
  Catalogue({"coins.100"});
  Request({"late"});
  EXPECT_EQ(cache_->invalidProductIdentifiers(), std::set<std::string>{"late"});
  Catalogue({"coins.100", "late"});
  Request({"late"});
  EXPECT_TRUE(cache_->invalidProductIdentifiers().empty());
  EXPECT_EQ(cache_->cachedProductForProductIdentifier("late"), Product("late"));
  // And back: a product StoreKit no longer knows leaves the products.
  Catalogue({"coins.100"});
  Request({"late"});
  EXPECT_FALSE(cache_->cachedProductForProductIdentifier("late"));
  EXPECT_EQ(cache_->invalidProductIdentifiers(), std::set<std::string>{"late"});
}

TEST_F(PurchaseProductCacheTest, MoreThanAHundredEntriesKeepOnlyTheLastAnswer) {
  Catalogue(Ids("p", 0, 100));
  std::set<std::string> first = Ids("p", 0, 50);
  first.merge(Ids("unknown", 0, 10));
  Request(first);
  Request(Ids("p", 50, 90));  // 100 entries: all kept
  EXPECT_EQ(cache_->validProductCount(), 90u);
  EXPECT_EQ(cache_->invalidProductIdentifiers().size(), 10u);

  Request({"p90"});  // 101 entries
  EXPECT_EQ(cache_->validProductCount(), 1u);
  EXPECT_TRUE(cache_->cachedProductForProductIdentifier("p90"));
  EXPECT_FALSE(cache_->cachedProductForProductIdentifier("p0"));
  EXPECT_TRUE(cache_->invalidProductIdentifiers().empty());

  // The invalid identifiers go with the products.
  Request({"unknown-last"});
  Request(Ids("p", 0, 100));  // 100 products and 1 invalid
  EXPECT_EQ(cache_->validProductCount(), 100u);
  EXPECT_TRUE(cache_->invalidProductIdentifiers().empty());
}

TEST_F(PurchaseProductCacheTest, FailureReachesTheHandlerAndKeepsTheCache) {
  Catalogue({"coins.100"});
  Request({"coins.100"});
  StoreCatalogue::shared().setScriptedError(
      storekit::SKError{storekit::kSKErrorDomain, storekit::kSKErrorCloudServiceNetworkConnectionFailed, "offline"});
  auto answer = Request({"coins.100", "sub.monthly"});
  EXPECT_EQ(answer->calls, 1);
  EXPECT_EQ(answer->label, caller_->label());
  EXPECT_TRUE(answer->products.empty());
  EXPECT_TRUE(answer->invalid.empty());
  ASSERT_TRUE(answer->error);
  EXPECT_EQ(answer->error->code(), storekit::kSKErrorCloudServiceNetworkConnectionFailed);
  EXPECT_TRUE(cache_->cachedProductForProductIdentifier("coins.100"));
}

TEST_F(PurchaseProductCacheTest, NothingIsAskedWithoutIdentifiersQueueOrHandler) {
  Catalogue({"coins.100"});
  int calls = 0;
  auto handler = [&](const auto&, const auto&, const auto&) { ++calls; };
  cache_->requestProductsWithProductIdentifiers({}, caller_, handler);
  cache_->requestProductsWithProductIdentifiers({"coins.100"}, nullptr, handler);
  cache_->requestProductsWithProductIdentifiers({"coins.100"}, caller_, nullptr);
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(StoreCatalogue::shared().requestCount(), 0);
}

}  // namespace
