// Lifetime value per currency, straight on a measurement database.
#include <cmath>
#include <limits>
#include <map>

#include "Analytics/Engine/APMLifetimeValueRecorder.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using platform::Value;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

class LifetimeValueTest : public MeasurementDatabaseFixture {
 protected:
  static APMEvent Event(const std::string& name, APMParameterObjects parameters, const std::string& origin = "app") {
    bool isPublic = name[0] != '_';
    auto event = APMEvent::initWithOrigin(isPublic ? origin : "auto", isPublic, name, platform::Clock::nowSeconds(),
                                          0, std::move(parameters));
    EXPECT_TRUE(event) << name;
    return *event;
  }
  bool Record(const APMEvent& event) {
    return APMLifetimeValueRecorder::recordLifetimeValueToDatabase(database_.get(), event);
  }
  // Name -> total of every "_ltv_" property.
  std::map<std::string, int64_t> Totals() {
    std::map<std::string, int64_t> totals;
    auto all = database_->allLifetimeValueUserAttributes(nullptr);
    EXPECT_TRUE(all);
    if (all) {
      for (const auto& attribute : *all) totals[attribute.name()] = attribute.value().int64Value();
    }
    return totals;
  }
  void Store(const std::string& name, int64_t total) {
    auto attribute = APMUserAttribute::initWithOrigin("auto", name, APMValue(total), platform::Clock::nowSeconds());
    ASSERT_TRUE(attribute);
    ASSERT_TRUE(database_->updateUserAttribute(&*attribute, nullptr));
  }
};

TEST_F(LifetimeValueTest, Vectors) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    std::string event;
    APMParameterObjects parameters;
    std::map<std::string, int64_t> before;
    bool result;
    std::map<std::string, int64_t> after;
    const char* logged;  // nullptr: nothing asserted
  } cases[] = {
      {"purchase in micros, currency upper-cased", "purchase", {{"currency", Value("usd")}, {"value", Value(9.99)}},
       {}, true, {{"_ltv_USD", 9990000}}, nullptr},
      {"halves round away from zero", "ecommerce_purchase",
       {{"currency", Value("EUR")}, {"value", Value(0.0000025)}}, {}, true, {{"_ltv_EUR", 3}}, nullptr},
      {"refund subtracts", "refund", {{"currency", Value("USD")}, {"value", Value(int64_t{5})}},
       {{"_ltv_USD", 9990000}}, true, {{"_ltv_USD", 4990000}}, nullptr},
      {"in-app purchase is already in micros", "_iap", {{"currency", Value("USD")}, {"value", Value(int64_t{1990000})}},
       {}, true, {{"_ltv_USD", 1990000}}, nullptr},
      {"in-app double truncates", "_iap", {{"currency", Value("USD")}, {"value", Value(1.9)}}, {}, true,
       {{"_ltv_USD", 1}}, nullptr},
      {"four-letter currency", "purchase", {{"currency", Value("USDX")}, {"value", Value(1.0)}}, {}, true, {},
       "Cannot record transaction with invalid currency code"},
      {"missing value", "purchase", {{"currency", Value("USD")}}, {}, true, {},
       "Cannot record transaction with invalid transaction value"},
      {"text value", "purchase", {{"currency", Value("USD")}, {"value", Value("12")}}, {}, true, {},
       "Cannot record transaction with invalid transaction value"},
      {"beyond 64 bits", "purchase", {{"currency", Value("USD")}, {"value", Value(1e13)}}, {}, false, {},
       "Cannot record transaction with value that is out of bounds"},
      {"just beyond 64 bits", "purchase", {{"currency", Value("USD")}, {"value", Value(9223372036854.775807)}}, {},
       false, {}, "Cannot record transaction with value that is out of bounds"},
      {"NaN", "purchase", {{"currency", Value("USD")}, {"value", Value(nan)}}, {}, false, {},
       "Cannot record transaction with value that is out of bounds"},
      {"in-app infinity", "_iap", {{"currency", Value("USD")}, {"value", Value(inf)}}, {}, false, {},
       "Cannot record transaction with value that is out of bounds"},
      {"in-app double beyond 64 bits", "_iap", {{"currency", Value("USD")}, {"value", Value(1e19)}}, {}, false, {},
       "Cannot record transaction with value that is out of bounds"},
      {"refund of -2^63 cannot be negated", "refund",
       {{"currency", Value("USD")}, {"value", Value(-9223372036854.775808)}}, {}, false, {},
       "Cannot record transaction with value that is out of bounds"},
      {"a total that would overflow is kept", "_iap", {{"currency", Value("USD")}, {"value", Value(int64_t{11})}},
       {{"_ltv_USD", kMax - 10}}, true, {{"_ltv_USD", kMax - 10}},
       "Cannot record transaction with value that is out of bounds"},
      {"up to the largest total", "_iap", {{"currency", Value("USD")}, {"value", Value(int64_t{10})}},
       {{"_ltv_USD", kMax - 10}}, true, {{"_ltv_USD", kMax}}, nullptr},
      {"not a purchase", "add_to_cart", {{"currency", Value("USD")}, {"value", Value(3.0)}}, {}, true, {}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    database_->sqliteStore().executeSQL("DELETE FROM user_attributes", nullptr);
    for (const auto& [name, total] : c.before) Store(name, total);
    capture_.clear();
    APMMeasurementMonitor().clearMonitoringData();
    EXPECT_EQ(Record(Event(c.event, c.parameters)), c.result);
    EXPECT_EQ(Totals(), c.after);
    if (c.logged != nullptr) {
      EXPECT_TRUE(Logged(c.logged));
    }
  }
}

TEST_F(LifetimeValueTest, ANewCurrencyBeyondTheLimitReplacesTheOneSetLongestAgo) {
  config_->setConfiguredSettings({{"measurement.lifetimevalue.max_currency_tracked", "3"}});
  for (const char* currency : {"AAA", "BBB", "CCC"}) {
    ASSERT_TRUE(Record(Event("purchase", {{"currency", Value(currency)}, {"value", Value(1.0)}})));
    clock_->advance(10);
  }
  // Touching AAA makes BBB the oldest.
  ASSERT_TRUE(Record(Event("purchase", {{"currency", Value("AAA")}, {"value", Value(1.0)}})));
  clock_->advance(10);
  ASSERT_TRUE(Record(Event("purchase", {{"currency", Value("DDD")}, {"value", Value(2.0)}})));
  EXPECT_EQ(Totals(), (std::map<std::string, int64_t>{
                          {"_ltv_AAA", 2000000}, {"_ltv_CCC", 1000000}, {"_ltv_DDD", 2000000}}));
}

TEST_F(LifetimeValueTest, ListenersDoNotHearPellumarOrExperimentEvents) {
  const struct {
    const char* origin;
    const char* name;
    bool excluded;
  } cases[] = {{"pl", "shop", true},   {"app", "_xa", true}, {"auto", "_xu", true},
               {"app", "shop", false}, {"auto", "_xb", false}, {"auto", "_x", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.origin) + "/" + c.name);
    auto event = APMEvent::initWithOrigin(c.origin, false, c.name, 1, 0, APMEvent::Parameters{});
    ASSERT_TRUE(event);
    EXPECT_EQ(APMIsEventExcludedFromListeners(*event), c.excluded);
  }
}

}  // namespace
