// The interop connector and its fixed lists, over a recorder of the public
// analytics calls.
#include "Analytics/Engine/Interface/QRVAnalyticsConnector.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "Analytics/Engine/Interface/QRVConnectorUtils.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/Analytics/Engine/PublicCallsRecorder.h"

namespace {

using platform::Value;
using Strings = std::vector<std::string>;

class ConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    QRVAnalyticsCalls::install(calls_);
  }
  void TearDown() override {
    ASSERT_TRUE(clock_->runUntilIdle());
    QRVAnalyticsCalls::install(nullptr);
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }
  static APMEvent Event(const std::string& origin, const std::string& name, APMEvent::Parameters parameters = {}) {
    std::optional<APMEvent> e = APMEvent::initWithOrigin(origin, false, name, 1700000000, 0, std::move(parameters));
    EXPECT_TRUE(e) << origin << " " << name;
    return *e;
  }

  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<PublicCallsRecorder> calls_ = std::make_shared<PublicCallsRecorder>();
  std::shared_ptr<QRVAnalyticsConnector> connector_ = QRVAnalyticsConnector::makeComponent();
};

TEST_F(ConnectorTest, FixedListChecks) {
  struct Property {
    const char* name;
    const char* origin;
    bool allowed;
  };
  for (const Property p : {Property{"_ln", "mxo", true}, Property{"_ln", "ixom", true}, Property{"_ln", "rxo", false},
                           Property{"_ltv_USD", "mxo", false}, Property{"_ltv_USD", "ixom", false},
                           Property{"_ltv_USDX", "mxo", true}, Property{"_ltv_usd", "mxo", true},
                           Property{"_cc3", "cxo", false}, Property{"_cc6", "cxo", true}, Property{"_cc33", "cxo", true},
                           Property{"x_cc3", "cxo", true}, Property{"_fot", "mxo", false}, Property{"_sno", "mxo", false},
                           Property{"", "mxo", false}, Property{"level", "rxo", true}}) {
    EXPECT_EQ(QRVConnectorUtils::isUserPropertyAllowed(p.name, p.origin), p.allowed) << p.name << " from " << p.origin;
  }
  struct Query {
    const char* name;
    bool allowed;
  };
  for (const Query q : {Query{"_fot", true}, Query{"_ln", false}, Query{"_fi", false}, Query{"level", true},
                        Query{"", false}}) {
    EXPECT_EQ(QRVConnectorUtils::isUserPropertyAllowedForQuery(q.name), q.allowed) << q.name;
  }
  struct Event {
    const char* name;
    APMParameterObjects parameters;
    bool logged;
  };
  const Event events[] = {
      {"_e", {}, false},          {"", {}, false},
      {"_iap", {}, false},        {"shop", {}, true},
      {"shop", {{"_dbg", Value(1)}}, false}, {"shop", {{"_r", Value(1)}}, false},
      {"shop", {{"item", Value("x")}}, true},
  };
  for (const Event& e : events) {
    EXPECT_EQ(QRVConnectorUtils::shouldLogEventWithName(e.name, e.parameters), e.logged) << e.name;
  }
  struct Origin {
    const char* origin;
    bool allowed, app, listener;
  };
  for (const Origin o : {Origin{"app", false, true, false}, Origin{"app+web", true, true, false},
                         Origin{"apple", true, false, false}, Origin{"auto", false, false, false},
                         Origin{"pl", false, false, false}, Origin{"ixom", true, false, true},
                         Origin{"crash", true, false, true}, Origin{"mxo", true, false, false}}) {
    EXPECT_EQ(QRVConnectorUtils::isOriginAllowed(o.origin), o.allowed) << o.origin;
    EXPECT_EQ(QRVConnectorUtils::isAppOrigin(o.origin), o.app) << o.origin;
    EXPECT_EQ(QRVConnectorUtils::isListenerOriginAllowed(o.origin), o.listener) << o.origin;
  }
  EXPECT_FALSE(QRVConnectorUtils::isEventNameAllowedForListeners("_exp_set"));
  EXPECT_FALSE(QRVConnectorUtils::isEventNameAllowedForListeners("campaign_details"));
  EXPECT_TRUE(QRVConnectorUtils::isEventNameAllowedForListeners("shop"));
}

TEST_F(ConnectorTest, EventsFromOtherLibrariesAreFilteredAndMarked) {
  struct Case {
    const char* origin;
    const char* name;
    APMParameterObjects parameters;
    bool logged;
    std::map<std::string, Value> added;  // parameters the connector sets
  };
  const Case cases[] = {
      {"mxo", "_cmp", {}, true, {{"_cis", Value("mxo_integration")}}},
      {"dxo", "_cmp", {}, true, {{"_cis", Value("dxo_integration")}}},
      {"ixom", "_cmp", {{"_cis", Value("own")}}, true, {{"_cis", Value("ixom_integration")}}},
      {"rxo", "_cmp", {}, true, {{"_cis", Value("rxo_integration")}}},
      {"cxo", "_cmp", {}, true, {}},
      {"cxo", "_ae", {}, true, {{"_r", Value(1)}}},
      {"mxo", "_ae", {}, true, {}},
      {"mxo", "_e", {}, false, {}},
      {"mxo", "promo", {{"_dbg", Value(1)}}, false, {}},
      {"app", "promo", {}, false, {}},
      {"auto", "promo", {}, false, {}},
      {"pl", "promo", {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.origin) + " " + c.name);
    calls_->logged.clear();
    connector_->logEventWithOrigin(c.origin, c.name, c.parameters);
    if (!c.logged) {
      EXPECT_TRUE(calls_->logged.empty());
      continue;
    }
    ASSERT_EQ(calls_->logged.size(), 1u);
    const PublicCallsRecorder::Logged& logged = calls_->logged[0];
    EXPECT_EQ(logged.origin, c.origin);
    EXPECT_EQ(logged.name, c.name);
    APMParameterObjects expected = c.parameters;
    for (const auto& [k, v] : c.added) expected[k] = v;
    EXPECT_EQ(logged.parameters, expected);
  }
}

TEST_F(ConnectorTest, UserPropertiesSetAndQueriedThroughTheLists) {
  connector_->setUserPropertyWithOrigin("mxo", "_ln", Value("campaign"));
  connector_->setUserPropertyWithOrigin("rxo", "_ln", Value("campaign"));
  connector_->setUserPropertyWithOrigin("app", "level", Value("5"));
  connector_->setUserPropertyWithOrigin("ixom", "_cc6", Value("x"));
  connector_->setUserPropertyWithOrigin("ixom", "_cc2", Value("x"));
  EXPECT_EQ(calls_->userProperties, (Strings{"mxo:_ln=campaign", "ixom:_cc6=x"}));

  calls_->storedProperties = {{"_fot", Value(1700000000000)}, {"_ln", Value("c")}, {"_id", Value("u")},
                              {"level", Value("5")}};
  std::promise<std::pair<Value::Dictionary, bool>> got;
  connector_->getUserPropertiesWithCallback([&](const Value::Dictionary& properties) {
    got.set_value({properties, QRVAnalyticsConnector::connectorQueue()->isCurrent()});
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  auto [properties, onConnectorQueue] = got.get_future().get();
  EXPECT_EQ(properties, (Value::Dictionary{{"_fot", Value(1700000000000)}, {"level", Value("5")}}));
  EXPECT_TRUE(onConnectorQueue);
  connector_->getUserPropertiesWithCallback(nullptr);  // answered, nobody to tell
}

TEST_F(ConnectorTest, MaxUserPropertiesWaitsTenSecondsAndDropsALateAnswer) {
  calls_->answerMax = 25;
  EXPECT_EQ(connector_->maxUserProperties("mxo"), 25);

  calls_->answerMax.reset();
  std::atomic<bool> done{false};
  auto result = std::async(std::launch::async, [&] {
    int32_t r = connector_->maxUserProperties("ixom");
    done = true;
    return r;
  });
  ASSERT_TRUE(clock_->runUntil([&] { return calls_->maxQueryCount() == 2; }, 5));
  clock_->advance(9.9);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(done) << "gave up before ten seconds";
  clock_->advance(0.1);
  EXPECT_EQ(result.get(), 0);
  // The answer arrives after the caller left: dropped, nothing touched.
  for (auto& late : calls_->heldMaxCallbacks) late(30);

  // On the connector queue the answer could never arrive in time.
  calls_->answerMax = 25;
  int32_t onQueue = -1;
  QRVAnalyticsConnector::connectorQueue()->sync([&] { onQueue = connector_->maxUserProperties("mxo"); });
  EXPECT_EQ(onQueue, 0);
}

class Heard : public QRVAnalyticsConnector::Listener {
 public:
  explicit Heard(std::string tag, Strings& trace) : tag_(std::move(tag)), trace_(trace) {}
  void messageTriggered(const std::string& name, const Value::Dictionary& parameters) override {
    EXPECT_TRUE(platform::RunLoop::isMainThread());
    std::string line = tag_ + " " + name;
    for (const auto& [k, v] : parameters) line += " " + k + "=" + v.description();
    trace_.push_back(line);
  }

 private:
  std::string tag_;
  Strings& trace_;
};

TEST_F(ConnectorTest, ListenersHearTheirOriginAndAppEventsOnTheMainQueue) {
  Strings trace;
  auto first = std::make_shared<Heard>("first", trace);
  auto replacement = std::make_shared<Heard>("ixom", trace);
  auto crash = std::make_shared<Heard>("crash", trace);
  connector_->registerAnalyticsListener(first, "ixom");
  connector_->registerAnalyticsListener(replacement, "ixom");
  connector_->registerAnalyticsListener(std::make_shared<Heard>("mxo", trace), "mxo");  // not a listener origin
  connector_->registerAnalyticsListener(nullptr, "crash");
  EXPECT_EQ(calls_->listeners.size(), 1u) << "a second registration added a second engine listener";
  EXPECT_EQ(connector_->listenerOrigins(), (Strings{"ixom"}));

  calls_->fire(Event("app", "shop", {{"price", APMValue(2.5)}, {"count", APMValue(int64_t{3})},
                                     {"item", APMValue("tea")}}));
  calls_->fire(Event("ixom", "promo"));
  calls_->fire(Event("mxo", "promo"));          // nobody listens for it
  calls_->fire(Event("auto", "_exp_set"));      // hidden
  calls_->fire(Event("app", "campaign_details"));  // hidden
  EXPECT_TRUE(trace.empty()) << "listeners called on the engine's thread";
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace, (Strings{"ixom shop _o=\"app\" count=3 item=\"tea\" price=2.5", "ixom promo _o=\"ixom\""}));

  connector_->registerAnalyticsListener(crash, "crash");
  trace.clear();
  calls_->fire(Event("app", "open"));
  calls_->fire(Event("crash", "_ae"));
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(trace, (Strings{"crash open _o=\"app\"", "ixom open _o=\"app\"", "crash _ae _o=\"crash\""}));

  // The engine listener goes only with the last origin.
  connector_->unregisterAnalyticsListenerWithOrigin("ixom");
  EXPECT_TRUE(connector_->hasLogEventListener());
  EXPECT_TRUE(calls_->removedTokens.empty());
  connector_->unregisterAnalyticsListenerWithOrigin("crash");
  EXPECT_FALSE(connector_->hasLogEventListener());
  EXPECT_EQ(calls_->removedTokens, (std::vector<int64_t>{1}));
  EXPECT_TRUE(calls_->listeners.empty());
}

TEST_F(ConnectorTest, ListenersChangeWhileEventsFlow) {
  // Registration on one thread while the engine reports on another: the
  // listener table is read during inserts and erases.
  Strings trace;  // touched only on the main thread
  auto listener = std::make_shared<Heard>("ixom", trace);
  connector_->registerAnalyticsListener(listener, "ixom");
  // Every tick is fired, however soon the sibling is done: the kept listener
  // must hear them.
  std::thread engine([&] {
    for (int i = 0; i < 300; ++i) calls_->fire(Event("app", "tick"));
  });
  std::thread sibling([&] {
    for (int i = 0; i < 300; ++i) {
      connector_->registerAnalyticsListener(std::make_shared<Heard>("crash", trace), "crash");
      connector_->unregisterAnalyticsListenerWithOrigin("crash");
    }
  });
  sibling.join();
  engine.join();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(connector_->hasLogEventListener());
  EXPECT_EQ(connector_->listenerOrigins(), (Strings{"ixom"}));
  EXPECT_FALSE(trace.empty());
}

TEST_F(ConnectorTest, ConditionalUserPropertiesFromDictionaries) {
  connector_->setConditionalUserProperty({});
  EXPECT_TRUE(calls_->setConditional.empty());

  connector_->setConditionalUserProperty({
      {"name", Value("promo")},
      {"origin", Value("ixom")},
      {"value", Value("on")},
      {"triggerEventName", Value("buy")},
      {"triggerTimeout", Value(60)},
      {"timeToLive", Value(3600.5)},
      {"creationTimestamp", Value(1700000000)},
      {"active", Value("yes")},  // wrong kind: left out
      {"unknownKey", Value(1)},
      {"triggeredEvent", Value::Dictionary{{"origin", Value("ixom")}, {"name", Value("promo_hit")},
                                           {"timestamp", Value(1700000100.0)},
                                           {"parameters", Value::Dictionary{{"k", Value("v")}}}}},
      {"timedOutEvent", Value::Dictionary{{"origin", Value("ixom")}, {"name", Value("promo_late")}}},
  });
  ASSERT_EQ(calls_->setConditional.size(), 1u);
  const auto& [p, name] = calls_->setConditional[0];
  EXPECT_EQ(name, "promo");
  EXPECT_EQ(p.origin(), "ixom");
  EXPECT_EQ(p.value(), APMValue("on"));
  EXPECT_EQ(p.triggerEventName(), "buy");
  EXPECT_EQ(p.triggerTimeout(), 60);
  EXPECT_EQ(p.timeToLive(), 3600.5);
  EXPECT_EQ(p.creationTimestamp(), 1700000000);
  EXPECT_FALSE(p.isActive());
  ASSERT_TRUE(p.triggeredEvent());
  EXPECT_EQ(p.triggeredEvent()->name(), "promo_hit");
  EXPECT_EQ(p.triggeredEvent()->timestamp(), 1700000100.0);
  ASSERT_TRUE(p.triggeredEvent()->parameter("k"));
  EXPECT_EQ(*p.triggeredEvent()->parameter("k"), APMValue("v"));
  ASSERT_TRUE(p.timedOutEvent());
  EXPECT_EQ(p.timedOutEvent()->timestamp(), clock_->now()) << "an event without time takes the current time";
  EXPECT_FALSE(p.expiredEvent());

  struct Clear {
    const char* name;
    Value::Dictionary parameters;
    bool cleared;
  };
  for (const Clear& c : {Clear{"one entry", {{"promo", Value("off")}}, true}, Clear{"empty", {}, false},
                         Clear{"no value", {{"promo", Value()}}, false}, Clear{"no key", {{"", Value("x")}}, false}}) {
    SCOPED_TRACE(c.name);
    calls_->cleared.clear();
    connector_->clearConditionalUserProperty("ignored", "ixom", "promo_clear", c.parameters);
    ASSERT_EQ(calls_->cleared.size(), c.cleared ? 1u : 0u);
    if (!c.cleared) continue;
    const auto& [event, key] = calls_->cleared[0];
    EXPECT_EQ(key, "promo");
    EXPECT_EQ(event.origin(), "ixom");
    EXPECT_EQ(event.name(), "promo_clear");
    ASSERT_TRUE(event.parameter("promo"));
    EXPECT_EQ(*event.parameter("promo"), APMValue("off"));
  }

  APMConditionalUserProperty text, number, unnamed;
  text.setName("a");
  text.setValue(APMValue("x"));
  number.setName("b");
  number.setValue(APMValue(int64_t{5}));
  unnamed.setValue(APMValue("y"));
  calls_->storedConditional = {text, number, unnamed};
  EXPECT_EQ(connector_->conditionalUserProperties("ixom", "pre"),
            (std::vector<Value::Dictionary>{{{"name", Value("a")}, {"value", Value("x")}}}));
  EXPECT_EQ(calls_->conditionalQueries, (Strings{"ixom/pre"}));
}

}  // namespace
