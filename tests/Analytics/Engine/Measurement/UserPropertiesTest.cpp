// The engine's user properties, default event parameters, the session-ID
// query, the interceptor and listener notice, and the "_npa" property with
// the rules that decide it. Read back with plain SQL on the manual clock.
#include <condition_variable>
#include <mutex>
#include <set>

#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace measurement_test {
namespace {

using Dictionary = Value::Dictionary;

constexpr const char* kAllowSignalsKey = "TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS";
constexpr const char* kDMASetting = "measurement.upload.dma_consent_enabled";

// What arrives on another thread, read after the queues settled.
template <typename T>
class Inbox {
 public:
  void put(T value) {
    std::lock_guard<std::mutex> lock(mu_);
    items_.push_back(std::move(value));
  }
  std::vector<T> items() const {
    std::lock_guard<std::mutex> lock(mu_);
    return items_;
  }

 private:
  mutable std::mutex mu_;
  std::vector<T> items_;
};

class UserPropertiesTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    start();
    // What the start itself wrote is not under test here.
    sql("DELETE FROM raw_events");
    sql("DELETE FROM user_attributes");
    forgetLog();
    APMAnalytics::addLogEventListener([heard = heard_](const APMEvent& event) { heard->put(event.name()); });
    settle();
  }

  std::shared_ptr<Inbox<std::string>> heard_ = std::make_shared<Inbox<std::string>>();

  static APMUserAttribute attribute(const std::string& name, APMValue value, const std::string& origin = "app") {
    std::optional<APMUserAttribute> made =
        APMUserAttribute::initWithOrigin(origin, name, std::move(value), platform::Clock::nowSeconds());
    EXPECT_TRUE(made) << name;
    return *made;
  }
  void setProperty(const std::string& name, APMValue value, const std::string& origin = "app") {
    engine_->setUserAttribute(attribute(name, std::move(value), origin));
    settle();
  }
  // Stored value as text; "" when absent.
  std::string property(const std::string& name) {
    return value("SELECT value FROM user_attributes WHERE name = '" + name + "'");
  }
  // The "_err" codes of the stored error events, in order.
  std::vector<int64_t> errorCodes() {
    std::vector<int64_t> codes;
    for (const APMEvent& event : rawEvents()) {
      const APMValue* code = event.parameter("_err");
      if (event.name() == "_err") codes.push_back(code != nullptr && code->isInt64() ? code->int64Value() : -1);
    }
    return codes;
  }
  // Events the facade's listeners were told about, oldest first.
  std::vector<std::string> notices() { return heard_->items(); }
  static std::optional<Dictionary> storedDefaults() {
    return APMPersistedConfig::sharedInstance()->defaultEventParameters();
  }
  void disable() {
    engine_->setEnabled(false);
    settle();
    forgetLog();
  }
};

// ---- Default event parameters ----

TEST_F(UserPropertiesTest, DefaultEventParametersMergeOverStoredOnesAndRejectWhatCannotBeAParameter) {
  const Value array(Value::Array{Value(1)});
  const struct {
    const char* what;
    std::optional<Dictionary> stored;
    std::optional<Dictionary> given;
    Dictionary expected;
    int logCode;  // 0: none expected
    std::vector<int64_t> errorEvents;
  } cases[] = {
      {"null removes, new adds, others stay", Dictionary{{"b", Value(2)}, {"c", Value(3)}},
       Dictionary{{"a", Value(1)}, {"b", Value()}}, Dictionary{{"a", Value(1)}, {"c", Value(3)}}, 23216, {}},
      {"none clears all", Dictionary{{"a", Value(1)}}, std::nullopt, Dictionary{}, 23216, {}},
      {"string, double and bool kept as passed", std::nullopt,
       Dictionary{{"s", Value("x")}, {"d", Value(2.5)}, {"f", Value(true)}},
       Dictionary{{"s", Value("x")}, {"d", Value(2.5)}, {"f", Value(true)}}, 23216, {}},
      {"array: skipped with an error event", std::nullopt, Dictionary{{"a", array}, {"k", Value(1)}},
       Dictionary{{"k", Value(1)}}, 23213, {27}},
      {"dictionary: skipped, no error event", std::nullopt, Dictionary{{"a", Value(Dictionary{})}}, Dictionary{},
       23213, {}},
      {"reserved name skipped", Dictionary{{"k", Value(1)}}, Dictionary{{"_x", Value(1)}, {"1y", Value(2)}},
       Dictionary{{"k", Value(1)}}, 23214, {}},
      {"value over 100 characters dropped silently", Dictionary{{"k", Value(1)}},
       Dictionary{{"long", Value(std::string(101, 'v'))}}, Dictionary{{"k", Value(1)}}, 23216, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    APMPersistedConfig::sharedInstance()->setDefaultEventParameters(c.stored);
    sql("DELETE FROM raw_events");
    forgetLog();
    engine_->setDefaultEventParameters(c.given);
    settle();
    EXPECT_EQ(storedDefaults().value_or(Dictionary{{"not", Value("stored")}}), c.expected);
    if (c.logCode != 0) {
      EXPECT_TRUE(logged(c.logCode));
    }
    EXPECT_EQ(errorCodes(), c.errorEvents);
  }
}

TEST_F(UserPropertiesTest, TooManyDefaultParametersAreCutToTheLimitWithAnErrorEvent) {
  Dictionary given;
  for (int i = 0; i < 27; ++i) given.emplace("p" + std::to_string(100 + i), Value(i));
  engine_->setDefaultEventParameters(given);
  settle();
  std::optional<Dictionary> stored = storedDefaults();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), 25u);
  // The names that sort last go.
  EXPECT_EQ(stored->count("p125"), 0u);
  EXPECT_EQ(stored->count("p126"), 0u);
  EXPECT_EQ(stored->count("p124"), 1u);
  EXPECT_TRUE(logged(23215));
  EXPECT_EQ(errorCodes(), std::vector<int64_t>{26});
}

TEST_F(UserPropertiesTest, DisabledEngineKeepsItsDefaultParameters) {
  APMPersistedConfig::sharedInstance()->setDefaultEventParameters(Dictionary{{"k", Value(1)}});
  disable();
  engine_->setDefaultEventParameters(std::nullopt);
  settle();
  EXPECT_TRUE(logged(23211));
  EXPECT_EQ(storedDefaults(), (Dictionary{{"k", Value(1)}}));
}

TEST_F(UserPropertiesTest, DefaultsReachEventsExceptErrorEventsAndEventsPassedOnByTheInterceptor) {
  APMPersistedConfig::sharedInstance()->setDefaultEventParameters(Dictionary{{"a", Value(1)}, {"b", Value(2)}});
  const struct {
    const char* name;
    const char* origin;
    bool ignoreInterceptor;
    APMParameterObjects given;
    std::optional<int64_t> a;
    std::optional<int64_t> b;
  } cases[] = {
      {"shop", "app", false, {{"b", Value(9)}}, 1, 9},  // a given parameter wins
      {"_err", "auto", false, {{"_err", Value(3)}}, std::nullopt, std::nullopt},
      {"relay", "app", true, {}, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sql("DELETE FROM raw_events");
    engine_->logEventWithOrigin(c.origin, c.origin == std::string("app"), c.name, c.given,
                                platform::Clock::nowSeconds(), true, false, c.ignoreInterceptor, nullptr, {});
    settle();
    std::vector<APMEvent> events = rawEvents();
    ASSERT_EQ(events.size(), 1u);
    auto read = [&](const char* key) -> std::optional<int64_t> {
      const APMValue* value = events[0].parameter(key);
      if (value == nullptr) return std::nullopt;
      return value->int64Value();
    };
    EXPECT_EQ(read("a"), c.a);
    EXPECT_EQ(read("b"), c.b);
  }
}

// ---- Interceptor and listener notice ----

TEST_F(UserPropertiesTest, InterceptorTakesOverPublicEventsAndListenersHearOnlyWhatTheyMay) {
  struct Intercepted {
    std::string name;
    APMEvent::Parameters parameters;
    double timestamp;
  };
  const APMParameterObjects screen{{"_si", Value(int64_t{7})}, {"_sc", Value("Home")}};
  const struct {
    const char* what;
    const char* origin;
    bool isPublic;
    const char* name;
    bool enabled, ignoreEnabled, ignoreInterceptor;
    bool intercepted, stored, noticed;
  } cases[] = {
      {"public app event", "app", true, "shop", true, false, false, true, false, false},
      {"passed on by the interceptor", "app", true, "shop", true, false, true, false, true, true},
      {"internal event", "auto", false, "_cmp", true, false, false, false, true, true},
      {"origin pl never heard", "pl", true, "shop", true, false, false, false, true, false},
      {"_xa never heard", "auto", false, "_xa", true, false, false, false, true, false},
      {"_xu never heard", "auto", false, "_xu", true, false, false, false, true, false},
      {"collection off: no notice", "app", true, "shop", false, false, false, false, true, false},
      {"collection off but ignored", "app", true, "shop", false, true, false, true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sql("DELETE FROM raw_events");
    size_t noticesBefore = notices().size();
    auto inbox = std::make_shared<Inbox<Intercepted>>();
    double stamp = platform::Clock::nowSeconds() - 5;
    engine_->logEventWithOrigin(
        c.origin, c.isPublic, c.name, {{"p", Value("v")}, {"_si", Value(int64_t{1})}}, stamp, c.enabled,
        c.ignoreEnabled, c.ignoreInterceptor,
        [inbox](const std::string&, const std::string& name, const APMEvent::Parameters& parameters,
                double timestamp) { inbox->put({name, parameters, timestamp}); },
        screen);
    settle();
    std::vector<Intercepted> got = inbox->items();
    ASSERT_EQ(got.size(), c.intercepted ? 1u : 0u);
    if (c.intercepted) {
      EXPECT_EQ(got[0].name, c.name);
      EXPECT_EQ(got[0].timestamp, stamp);
      // Parameters with the screen merged in; the screen wins.
      EXPECT_EQ(got[0].parameters.at("p"), APMValue("v"));
      EXPECT_EQ(got[0].parameters.at("_si"), APMValue(int64_t{7}));
      EXPECT_EQ(got[0].parameters.at("_sc"), APMValue("Home"));
    }
    EXPECT_EQ(rawEventNames(), c.stored ? std::vector<std::string>{c.name} : std::vector<std::string>{});
    std::vector<std::string> heard = notices();
    heard.erase(heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(noticesBefore));
    EXPECT_EQ(heard, c.noticed ? std::vector<std::string>{c.name} : std::vector<std::string>{});
  }
}

TEST_F(UserPropertiesTest, AnEventThatCannotBeMadeIsLoggedNotStored) {
  engine_->logEventWithOrigin("app", true, "", {}, platform::Clock::nowSeconds(), true, false, false, nullptr, {});
  settle();
  EXPECT_TRUE(logged(23219));
  EXPECT_TRUE(rawEventNames().empty());
}

// ---- Setting, limits and removal ----

TEST_F(UserPropertiesTest, NewPropertiesStopAtTheLimitWhileExistingOnesCanStillChange) {
  setSettings({{"measurement.upload.max_public_user_properties", "25"}});
  const struct {
    const char* what;
    std::string origin;
    std::string prefix;
  } cases[] = {
      {"one non-public origin", "ixo", "_c"},
      {"public properties", "app", "tier"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sql("DELETE FROM user_attributes");
    sql("DELETE FROM raw_events");
    for (int i = 0; i < 25; ++i) setProperty(c.prefix + std::to_string(i), APMValue("v"), c.origin);
    EXPECT_EQ(count("user_attributes", "name LIKE '" + c.prefix + "%'"), 25);
    forgetLog();

    setProperty(c.prefix + "25", APMValue("v"), c.origin);
    EXPECT_EQ(property(c.prefix + "25"), "");
    EXPECT_TRUE(logged(23084));
    EXPECT_EQ(errorCodes(), std::vector<int64_t>{9});

    setProperty(c.prefix + "3", APMValue("changed"), c.origin);
    EXPECT_EQ(property(c.prefix + "3"), "changed");
  }
  // Another origin has its own 25.
  setProperty("_c0", APMValue("mine"), "other");
  EXPECT_EQ(value("SELECT origin FROM user_attributes WHERE name = '_c0'"), "other");
}

TEST_F(UserPropertiesTest, NilAndDisabledRequestsChangeNothing) {
  setProperty("tier", APMValue("gold"));
  engine_->setUserAttribute(std::nullopt);
  engine_->removeUserAttribute(std::nullopt);
  settle();
  EXPECT_TRUE(logged(23079));
  EXPECT_TRUE(logged(23074));

  disable();
  engine_->setUserAttribute(attribute("tier", APMValue("silver")));
  engine_->removeUserAttribute(attribute("tier", APMValue(int64_t{0})));
  settle();
  EXPECT_TRUE(logged(23081));
  EXPECT_TRUE(logged(23076));
  EXPECT_EQ(property("tier"), "gold");
}

TEST_F(UserPropertiesTest, RemovingDeletesByName) {
  setProperty("tier", APMValue("gold"));
  forgetLog();
  engine_->removeUserAttribute(attribute("tier", APMValue(int64_t{0}), "anything"));
  settle();
  EXPECT_EQ(property("tier"), "");
  EXPECT_TRUE(logged(23078));
}

TEST_F(UserPropertiesTest, AnotherUserIDDropsTheAdvertisingIDResetMarker) {
  const struct {
    const char* what;
    APMValue next;
    bool markerKept;
  } cases[] = {
      {"same ID", APMValue("u1"), true},
      {"same ID as a number", APMValue(int64_t{1}), false},
      {"another ID", APMValue("u2"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    setProperty("_id", APMValue("u1"), "auto");
    setProperty("_lair", APMValue(int64_t{1}), "auto");
    setProperty("_id", c.next, "auto");
    EXPECT_EQ(property("_id"), c.next.description());
    EXPECT_EQ(property("_lair") == "1", c.markerKept);
  }
}

TEST_F(UserPropertiesTest, AdvertisingIDResetMarkerIsSetOnceAndOnlyForAKnownUser) {
  onWorker([&] { engine_->setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(property("_lair"), "");

  setProperty("_id", APMValue("u1"), "auto");
  engine_->identity()->setShouldSetLastAdvertisingIDResetUserProperty(true);
  onWorker([&] { engine_->setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(property("_lair"), "1");
  EXPECT_EQ(value("SELECT origin FROM user_attributes WHERE name = '_lair'"), "auto");
  EXPECT_FALSE(engine_->identity()->shouldSetLastAdvertisingIDResetUserProperty());

  // Already there: left as it was set.
  std::string setAt = value("SELECT set_timestamp FROM user_attributes WHERE name = '_lair'");
  clock_->advance(60);
  onWorker([&] { engine_->setLastAdvertisingIDResetUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(value("SELECT set_timestamp FROM user_attributes WHERE name = '_lair'"), setAt);
}

// ---- Reading ----

// An empty callback is never called (calling one throws): each such
// request is logged and not queued.
TEST_F(UserPropertiesTest, EmptyCallbacksAreLoggedAndNothingIsAnswered) {
  auto answered = std::make_shared<std::atomic<int>>(0);
  const struct {
    const char* what;
    std::function<void()> call;
    int code;
  } cases[] = {
      {"one property", [&] { engine_->userAttributeWithName("tier", nullptr); }, 23088},
      {"all properties", [&] { engine_->userPropertiesIncludingInternal(true, nullptr); }, 23090},
      {"limit without origin",
       [&] { engine_->maxUserPropertiesForOrigin("", [answered](int32_t) { ++*answered; }); }, 23093},
      {"limit without callback", [&] { engine_->maxUserPropertiesForOrigin("ixo", nullptr); }, 23094},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    forgetLog();
    c.call();
    settle();
    EXPECT_TRUE(logged(c.code));
  }
  EXPECT_EQ(answered->load(), 0);
}

TEST_F(UserPropertiesTest, ReadsAnswerOffTheWorkerQueue) {
  setProperty("tier", APMValue("gold"));
  setProperty("score", APMValue(2.5));
  setProperty("_sid", APMValue(int64_t{42}), "auto");
  auto workerQueue = engine_->scheduler()->workerQueue();

  auto one = std::make_shared<Inbox<std::pair<std::optional<std::string>, bool>>>();
  for (const char* name : {"tier", "missing"}) {
    engine_->userAttributeWithName(name, [one, workerQueue](const std::optional<APMUserAttribute>& attribute) {
      one->put({attribute ? std::optional<std::string>(attribute->value().description()) : std::nullopt,
                workerQueue->isCurrent()});
    });
  }
  auto all = std::make_shared<Inbox<std::pair<Dictionary, bool>>>();
  for (bool internal : {false, true}) {
    engine_->userPropertiesIncludingInternal(internal, [all, workerQueue](const Dictionary& properties) {
      all->put({properties, workerQueue->isCurrent()});
    });
  }
  auto limit = std::make_shared<Inbox<int32_t>>();
  engine_->maxUserPropertiesForOrigin("ixo", [limit](int32_t maximum) { limit->put(maximum); });
  settle();

  auto single = one->items();
  ASSERT_EQ(single.size(), 2u);
  // Answers run at once on the global queue, so either may come first.
  std::set<std::optional<std::string>> values{single[0].first, single[1].first};
  EXPECT_EQ(values, (std::set<std::optional<std::string>>{std::string("gold"), std::nullopt}));
  EXPECT_FALSE(single[0].second || single[1].second);

  auto lists = all->items();
  ASSERT_EQ(lists.size(), 2u);
  const Dictionary publicOnly{{"score", Value(2.5)}, {"tier", Value("gold")}};
  Dictionary withInternal = publicOnly;
  withInternal.emplace("_sid", Value(int64_t{42}));
  for (const auto& [properties, onWorker] : lists) {
    EXPECT_TRUE(properties == publicOnly || properties == withInternal);
    EXPECT_FALSE(onWorker);
  }
  EXPECT_NE(lists[0].first, lists[1].first);
  EXPECT_EQ(limit->items(), std::vector<int32_t>{25});
}

// ---- Session ID ----

TEST_F(UserPropertiesTest, SessionIDAnswersWithTheReasonWhenItHasNone) {
  auto ask = [&](const std::shared_ptr<APMMeasurement>& engine) {
    auto inbox = std::make_shared<Inbox<std::pair<int64_t, std::optional<APMError>>>>();
    engine->sessionIDWithCompletion(
        [inbox](int64_t id, const std::optional<APMError>& error) { inbox->put({id, error}); });
    settle();
    auto items = inbox->items();
    EXPECT_EQ(items.size(), 1u);
    return items.empty() ? std::pair<int64_t, std::optional<APMError>>{-1, std::nullopt} : items[0];
  };
  auto expectError = [](const std::pair<int64_t, std::optional<APMError>>& answer, const std::string& description) {
    EXPECT_EQ(answer.first, 0);
    ASSERT_TRUE(answer.second);
    EXPECT_EQ(answer.second->code(), 13);
    EXPECT_EQ(answer.second->localizedDescription(), description);
  };

  // The start began a session; its "_sid" is gone.
  engine_->sessionReporter()->setTimeoutSessionInterval(1800);
  engine_->sessionReporter()->updatePropertiesForNewSessionStart();
  expectError(ask(engine_), "Session ID not found");

  setProperty("_sid", APMValue(int64_t{1700000000}), "auto");
  auto answer = ask(engine_);
  EXPECT_EQ(answer.first, 1700000000);
  EXPECT_FALSE(answer.second);

  clock_->advance(1801);
  expectError(ask(engine_), "Session expired");

  disable();
  expectError(ask(engine_), "Analytics disabled");
}

// ---- Ad personalisation ----

struct AdPersonalizationCase {
  const char* what;
  std::optional<Value> allowPersonalizedAds;
  bool dma;
  std::optional<std::string> consent;         // current "ad_personalization"
  std::optional<Value> plist;                 // the Info.plist key
  std::optional<std::string> defaultConsent;  // default "ad_personalization"
  std::optional<bool> disable;
  bool plistFlag;
};

TEST_F(UserPropertiesTest, AdPersonalizationIsDecidedByTheFirstRuleThatSpeaks) {
  const AdPersonalizationCase cases[] = {
      {"nothing anywhere", std::nullopt, false, std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
      // 1. The app's own setting wins over everything.
      {"allowed by the app", Value(true), true, "denied", Value(false), "denied", false, false},
      {"refused by the app", Value(false), true, "granted", Value(true), "granted", true, false},
      // 2. The current consent, with digital-markets consent on.
      {"consent denied", std::nullopt, true, "denied", Value(true), "granted", true, false},
      {"consent granted", std::nullopt, true, "granted", Value(false), "denied", false, false},
      {"consent ignored without digital markets", std::nullopt, false, "denied", std::nullopt, std::nullopt,
       std::nullopt, false},
      // 3. The Info.plist default.
      {"plist allows", std::nullopt, true, std::nullopt, Value(true), "denied", false, true},
      {"plist refuses", std::nullopt, false, std::nullopt, Value(false), std::nullopt, true, true},
      {"plist not a number", std::nullopt, true, std::nullopt, Value("NO"), "denied", false, false},
      // 4. The default consent, any case.
      {"default denied", std::nullopt, true, std::nullopt, std::nullopt, "DENIED", true, false},
      {"default granted", std::nullopt, true, std::nullopt, std::nullopt, "granted", false, false},
      {"default unreadable", std::nullopt, true, std::nullopt, std::nullopt, "maybe", std::nullopt, false},
      {"default ignored without digital markets", std::nullopt, false, std::nullopt, std::nullopt, "denied",
       std::nullopt, false},
  };
  for (const AdPersonalizationCase& c : cases) {
    SCOPED_TRACE(c.what);
    APMPersistedConfig::sharedInstance()->setAllowPersonalizedAds(c.allowPersonalizedAds.value_or(Value()));
    setSettings({{kDMASetting, c.dma ? "1" : "0"}});
    APMConsentSettingsUtil::setConsentSettings(
        c.consent ? std::optional<Dictionary>(Dictionary{{"ad_personalization", Value(*c.consent)}}) : std::nullopt);
    APMConsentSettingsUtil::setDefaultSettings(
        c.defaultConsent ? std::optional<Dictionary>(Dictionary{{"ad_personalization", Value(*c.defaultConsent)}})
                         : std::nullopt);
    Dictionary info = platform::Bundle::main().infoDictionary();
    info.erase(kAllowSignalsKey);
    if (c.plist) info.emplace(kAllowSignalsKey, *c.plist);
    platform::Bundle::main().setInfoDictionaryOverride(info);
    engine_->setFoundAdPersonalizationPlistFlag(false);

    std::optional<bool> answer;
    onWorker([&] { answer = engine_->shouldDisableAdPersonalization(); });
    EXPECT_EQ(answer, c.disable);
    EXPECT_EQ(engine_->foundAdPersonalizationPlistFlag(), c.plistFlag);
  }
}

TEST_F(UserPropertiesTest, NonPersonalizedAdsPropertyFollowsTheDecision) {
  auto update = [&] {
    onWorker([&] { engine_->setPersonalizedAdsUserPropertyOnWorkerQueue(); });
  };
  // Nothing decides: a stored "_npa" goes.
  setProperty("_npa", APMValue(int64_t{1}), "auto");
  forgetLog();
  update();
  EXPECT_EQ(property("_npa"), "");
  EXPECT_TRUE(logged(23180));

  setInfo(kAllowSignalsKey, Value(false));
  update();
  EXPECT_EQ(property("_npa"), "1");
  EXPECT_EQ(value("SELECT origin FROM user_attributes WHERE name = '_npa'"), "auto");

  // Unchanged: not written again.
  std::string setAt = value("SELECT set_timestamp FROM user_attributes WHERE name = '_npa'");
  clock_->advance(30);
  update();
  EXPECT_EQ(value("SELECT set_timestamp FROM user_attributes WHERE name = '_npa'"), setAt);

  setInfo(kAllowSignalsKey, Value(true));
  update();
  EXPECT_EQ(property("_npa"), "0");
}

TEST_F(UserPropertiesTest, WithDigitalMarketsConsentTheDecisionBecomesTheConsentUntilOneIsGiven) {
  setSettings({{kDMASetting, "1"}});
  setInfo(kAllowSignalsKey, Value(false));
  onWorker([&] { engine_->setPersonalizedAdsUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(property("_npa"), "1");
  EXPECT_EQ(APMConsentSettingsUtil::adPersonalization(), std::optional<bool>(false));

  // A consent already given is not overwritten by the plist.
  APMConsentSettingsUtil::setConsentSettings(Dictionary{{"ad_personalization", Value("granted")}});
  setInfo(kAllowSignalsKey, Value(true));
  onWorker([&] { engine_->setPersonalizedAdsUserPropertyOnWorkerQueue(); });
  EXPECT_EQ(APMConsentSettingsUtil::adPersonalization(), std::optional<bool>(true));
  EXPECT_EQ(property("_npa"), "0");

  // Setting "_npa" itself carries into the consent.
  setProperty("_npa", APMValue(int64_t{1}), "auto");
  EXPECT_EQ(APMConsentSettingsUtil::adPersonalization(), std::optional<bool>(false));
}

TEST_F(UserPropertiesTest, AdNetworkRegistrationFollowsANumericPlistValueOnly) {
  const struct {
    std::optional<Value> plist;
    bool allowed;
  } cases[] = {{std::nullopt, true}, {Value(false), false}, {Value(true), true}, {Value("NO"), true},
               {Value(int64_t{0}), false}};
  for (const auto& c : cases) {
    Dictionary info = platform::Bundle::main().infoDictionary();
    info.erase("TRIVANDEL_ANALYTICS_REGISTRATION_WITH_AD_NETWORK_ENABLED");
    if (c.plist) info.emplace("TRIVANDEL_ANALYTICS_REGISTRATION_WITH_AD_NETWORK_ENABLED", *c.plist);
    platform::Bundle::main().setInfoDictionaryOverride(info);
    EXPECT_EQ(APMMeasurement::shouldAllowAdNetworkRegistration(), c.allowed)
        << (c.plist ? c.plist->description() : "absent");
  }
}

}  // namespace
}  // namespace measurement_test
