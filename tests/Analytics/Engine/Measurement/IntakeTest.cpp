// Event intake on the manual clock: what reaches the raw-event table and the
// daily counts, read back with plain SQL.
#include <openssl/evp.h>

#include <cmath>
#include <limits>

#include "Analytics/Engine/APMKeychainWrapper.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace measurement_test {
namespace {

using Array = Value::Array;
using Dictionary = Value::Dictionary;

// "items" holding n entries.
APMParameterObjects WithItems(int n) {
  Array items;
  for (int i = 0; i < n; ++i) items.push_back(Value(Dictionary{{"item_id", Value("sku" + std::to_string(i))}}));
  return APMParameterObjects{{"items", Value(items)}};
}

const APMValue* Parameter(const APMEvent& event, const std::string& name) { return event.parameter(name); }

class IntakeTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    start();
    forgetFirstLaunch();
  }

  int64_t today() {
    double offset = APMPersistedConfig::sharedInstance()->midnightOffset();
    return static_cast<int64_t>(std::floor((platform::Clock::nowSeconds() - offset) / 86400.0));
  }
  void setDailyCounts(int64_t all, int64_t publicCount, int64_t errors) {
    sql("UPDATE app_metadata SET day = " + std::to_string(today()) + ", daily_events_count = " + std::to_string(all) +
        ", daily_public_events_count = " + std::to_string(publicCount) +
        ", daily_error_events_count = " + std::to_string(errors) + ", daily_conversions_count = 0");
  }
  struct Counts {
    int64_t all, publicCount, errors;
  };
  Counts dailyCounts() {
    Rows rows = sql("SELECT daily_events_count, daily_public_events_count, daily_error_events_count FROM app_metadata");
    EXPECT_EQ(rows.size(), 1u);
    if (rows.size() != 1) return {-1, -1, -1};
    return {std::stoll(rows[0][0]), std::stoll(rows[0][1]), std::stoll(rows[0][2])};
  }
  // The "_err" codes of the stored error events, in order.
  std::vector<int64_t> errorCodes() {
    std::vector<int64_t> codes;
    for (const APMEvent& event : rawEvents()) {
      if (event.name() != "_err") continue;
      const APMValue* code = Parameter(event, "_err");
      codes.push_back(code != nullptr && code->isInt64() ? code->int64Value() : -1);
    }
    return codes;
  }
  void logInternal(const std::string& name, APMParameterObjects parameters = {}) {
    logEvent(name, std::move(parameters), "auto");
  }
};

TEST_F(IntakeTest, DailyLimits) {
  constexpr int64_t kLimit = 2000;
  setSettings({{"measurement.upload.max_events_per_day", std::to_string(kLimit)},
               {"measurement.upload.max_public_events_per_day", "10"},
               {"measurement.upload.max_error_events_per_day", "5"}});
  const struct {
    const char* name;
    Counts before;
    std::string event;
    APMParameterObjects parameters;
    bool written;
    int logCode;  // 0: none of 23055-23057
    Counts after;
    std::vector<int64_t> errorEvents;
  } cases[] = {
      {"under every limit", {kLimit - 1, 0, 0}, "shop", {}, true, 0, {kLimit, 1, 0}, {}},
      {"items count as events", {0, 0, 0}, "add_to_cart", WithItems(3), true, 0, {4, 4, 0}, {}},
      {"first excess is logged", {kLimit, 0, 0}, "shop", {}, false, 23055, {kLimit + 1, 1, 0}, {}},
      {"999th excess is not", {kLimit + 999, 0, 0}, "shop", {}, false, 0, {kLimit + 1000, 1, 0}, {}},
      {"1000th excess is again", {kLimit + 1000, 0, 0}, "shop", {}, false, 23055, {kLimit + 1001, 1, 0}, {}},
      // Dropped by the public limit: counted less one, and an error event (16)
      // that itself counts as an error event.
      {"public limit", {100, 10, 0}, "add_to_cart", WithItems(3), false, 23057, {100 + 3 + 1, 14, 1}, {16}},
      {"public limit, not on a multiple of 1000", {100, 11, 0}, "shop", {}, false, 0, {100 + 1, 12, 1}, {16}},
      {"internal events have no public limit", {100, 10, 0}, "_internal", {}, true, 0, {101, 10, 0}, {}},
      {"error limit", {100, 0, 5}, "_err", {{"_err", Value(int64_t{3})}}, false, 23056, {100, 0, 6}, {}},
      {"error event under its limit", {100, 0, 4}, "_err", {{"_err", Value(int64_t{3})}}, true, 0, {101, 0, 5}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sql("DELETE FROM raw_events");
    setDailyCounts(c.before.all, c.before.publicCount, c.before.errors);
    forgetLog();
    logEvent(c.event, c.parameters, c.event[0] == '_' ? "auto" : "app");
    std::vector<std::string> names = rawEventNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), c.event) == 1, c.written);
    for (int code : {23055, 23056, 23057}) EXPECT_EQ(logged(code), code == c.logCode) << code;
    Counts after = dailyCounts();
    EXPECT_EQ(after.all, c.after.all);
    EXPECT_EQ(after.publicCount, c.after.publicCount);
    EXPECT_EQ(after.errors, c.after.errors);
    std::vector<int64_t> codes = errorCodes();
    if (c.event == "_err" && c.written) codes.erase(codes.begin());  // the event under test itself
    EXPECT_EQ(codes, c.errorEvents);
  }
}

TEST_F(IntakeTest, AnotherDayStartsTheCountsAgain) {
  setSettings({{"measurement.upload.max_events_per_day", "10"}});
  setDailyCounts(50, 50, 0);
  sql("UPDATE app_metadata SET day = day - 1");
  logEvent("shop");
  EXPECT_EQ(rawEventNames(), std::vector<std::string>{"shop"});
  EXPECT_EQ(dailyCounts().all, 1);
  EXPECT_EQ(value("SELECT day FROM app_metadata"), std::to_string(today()));
}

TEST_F(IntakeTest, ANewPublicNameBeyondTheCardinalityLimitIsRefused) {
  // 500 public names already seen (the smallest limit the setting allows).
  sql("BEGIN");
  for (int i = 0; i < 500; ++i) {
    sql("INSERT INTO events (name, lifetime_count, current_bundle_count, last_fire_timestamp) VALUES ('seen_" +
        std::to_string(i) + "', 1, 0, 0)");
  }
  sql("COMMIT");
  logEvent("brand_new");
  EXPECT_TRUE(logged(23065));
  EXPECT_EQ(count("events", "name = 'brand_new'"), 0);
  EXPECT_EQ(errorCodes(), std::vector<int64_t>{8});
  // Known names and internal names still go through.
  logEvent("seen_7");
  logInternal("_fresh");
  std::vector<std::string> names = rawEventNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "seen_7"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "_fresh"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "brand_new"), 0);
}

TEST_F(IntakeTest, TheAllowListKeepsOnlyListedNamesAndMarksThem) {
  APMMeasurement::resetSharedInstanceForTesting();
  EngineOptions options;
  options.safelistedEvents = {"kept", "_kept"};
  engine_ = makeEngine(options);
  logEvent("kept");
  logEvent("other");
  logInternal("_kept");
  EXPECT_TRUE(logged(23174));
  std::vector<APMEvent> events = rawEvents();
  ASSERT_EQ(events.size(), 2u);
  for (const APMEvent& event : events) {
    SCOPED_TRACE(event.name());
    ASSERT_TRUE(Parameter(event, "tq_safelisted"));
    EXPECT_EQ(Parameter(event, "tq_safelisted")->int64Value(), 1);
  }
  EXPECT_EQ(events[0].name(), "kept");
  EXPECT_EQ(events[1].name(), "_kept");
}

TEST_F(IntakeTest, ASubscriptionIsStoredOnceEvenWhenTrimmingFails) {
  auto subscription = [](int64_t id) {
    return APMParameterObjects{{"subscription", Value(int64_t{1})},
                               {"_did", Value(id)},
                               {"product_id", Value("gold")},
                               {"currency", Value("EUR")},
                               {"value", Value(int64_t{2})}};
  };
  logInternal("_iap", subscription(77));
  logInternal("_iap", subscription(77));
  EXPECT_TRUE(logged(23182));
  logInternal("_iap", subscription(78));
  EXPECT_EQ(count("raw_events", "name = '_iap'"), 2);
  EXPECT_EQ(count("subscriptions"), 2);

  // The table is full and refuses to be trimmed: the new purchase, already
  // recorded as seen, must still be stored.
  sql("BEGIN");
  for (int i = 0; i < 1000; ++i) sql("INSERT INTO subscriptions (subscription_id) VALUES ('old" + std::to_string(i) + "')");
  sql("COMMIT");
  sql("CREATE TRIGGER refuse_trim BEFORE DELETE ON subscriptions BEGIN SELECT RAISE(ABORT, 'no trimming'); END");
  forgetLog();
  logInternal("_iap", subscription(79));
  EXPECT_EQ(count("raw_events", "name = '_iap'"), 3);
  EXPECT_EQ(count("subscriptions", "subscription_id = '79'"), 1);
  // And a repeat of it is still recognised.
  logInternal("_iap", subscription(79));
  EXPECT_EQ(count("raw_events", "name = '_iap'"), 3);
}

TEST_F(IntakeTest, SessionStartWithRolloutsIsDeduplicated) {
  const std::optional<std::string> none;
  const struct {
    const char* name;
    std::optional<std::string> stored;
    std::optional<Value> parameter;
    bool written;
    std::optional<std::string> storedAfter;
  } cases[] = {
      {"nothing stored, none given", none, std::nullopt, false, none},
      {"nothing stored, empty given", none, Value(""), false, none},
      {"nothing stored, value given", none, Value("a"), true, std::string("a")},
      {"same value", std::string("a"), Value("a"), false, std::string("a")},
      {"new value", std::string("a"), Value("b"), true, std::string("b")},
      {"empty clears", std::string("a"), Value(""), true, none},
      {"absent clears", std::string("a"), std::nullopt, true, none},
      {"not a string clears", std::string("a"), Value(int64_t{5}), true, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sql("DELETE FROM raw_events");
    APMPersistedConfig::sharedInstance()->setQuorvaneFeatureRollouts(c.stored);
    APMParameterObjects parameters;
    if (c.parameter) parameters.emplace("_ffr", *c.parameter);
    logInternal("_ssr", parameters);
    EXPECT_EQ(count("raw_events", "name = '_ssr'"), c.written ? 1 : 0);
    EXPECT_EQ(APMPersistedConfig::sharedInstance()->quorvaneFeatureRollouts(), c.storedAfter);
  }

  // A stored value follows a session start and travels with app exceptions.
  sql("DELETE FROM raw_events");
  APMPersistedConfig::sharedInstance()->setQuorvaneFeatureRollouts(std::string("r1"));
  logInternal("_s");
  logInternal("_ae");
  std::vector<APMEvent> events = rawEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].name(), "_s");
  EXPECT_EQ(events[1].name(), "_ssr");
  EXPECT_EQ(events[2].name(), "_ae");
  for (size_t i : {1u, 2u}) {
    ASSERT_TRUE(Parameter(events[i], "_ffr"));
    EXPECT_EQ(Parameter(events[i], "_ffr")->stringValue(), "r1");
  }
}

TEST_F(IntakeTest, BlockedEventsAreRejectedWithAnErrorEventUnlessTheListSaysOtherwise) {
  // The lists block every unconfigured name of their kind, so the event
  // logged after the blocked one is of the other kind.
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> settings;
    std::string next;
    std::vector<int64_t> errorEvents;
  } cases[] = {
      {"plain block list", {{"measurement.upload.blacklist_internal", "0"}}, "shop", {11}},
      {"internal list set", {{"measurement.upload.blacklist_internal", "1"}}, "shop", {}},
      {"public list set", {{"measurement.upload.blacklist_public", "1"}}, "_next", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sql("DELETE FROM raw_events");
    applyConfig(ConfigBuilder().settings(c.settings).events({{"blocked_evt", true, {}, {}}}));
    logEvent("blocked_evt");
    logEvent(c.next, {}, c.next[0] == '_' ? "auto" : "app");
    std::vector<std::string> expected;
    if (!c.errorEvents.empty()) expected.push_back("_err");
    expected.push_back(c.next);
    EXPECT_EQ(rawEventNames(), expected);
    EXPECT_EQ(errorCodes(), c.errorEvents);
  }
}

// An edit callback that marks the event, a create callback that logs one more.
const char* kEditingProgram = R"({"instructions": [
    ["41", "reg", "log"],
    ["3", "reg", ["require", "internal.registerCallback"]],
    ["3", "log", ["require", "internal.eventLogger"]],
    ["reg", 0, ["51", "cb", ["7", "ev"],
        ["2", {"var": "ev"}, "setParamValue", ["7", "edited", "yes"]],
        ["36", 0]], ["8", "type", "edit"]],
    ["reg", 0, ["51", "cb", ["7", "ev"],
        ["log", "made", ["2", {"var": "ev"}, "getTimestamp", ["7"]], ["8", "from", "program"]]],
        ["8", "type", "create"]]]})";

// Loads, then fails whenever an event runs through it.
const char* kFailingEditProgram = R"({"instructions": [
    ["41", "reg"],
    ["3", "reg", ["require", "internal.registerCallback"]],
    ["reg", 0, ["51", "cb", ["7", "ev"], ["3", "undeclared", 1]], ["8", "type", "edit"]]]})";

TEST_F(IntakeTest, EventEditingEditsCreatesAndFailsOpen) {
  const struct {
    const char* name;
    std::vector<std::string> programs;
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<std::string> stored;
    bool edited;
    bool failureLogged;
  } cases[] = {
      {"edits and creates", {kEditingProgram}, {}, {"orig", "made"}, true, false},
      {"failing program", {kFailingEditProgram}, {}, {"orig"}, false, true},
      {"no program loaded", {}, {}, {"orig"}, false, false},
      {"editing switched off", {kEditingProgram}, {{"measurement.ees_feature_enabled", "0"}}, {"orig"}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sql("DELETE FROM raw_events");
    applyConfig(ConfigBuilder().settings(c.settings).programs(c.programs));
    forgetLog();
    logEvent("orig", {{"kept", Value("k")}});
    EXPECT_EQ(rawEventNames(), c.stored);
    std::vector<APMEvent> events = rawEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(Parameter(events[0], "edited") != nullptr, c.edited);
    ASSERT_TRUE(Parameter(events[0], "kept"));
    EXPECT_EQ(Parameter(events[0], "kept")->stringValue(), "k");
    EXPECT_EQ(logged(23223), c.failureLogged);
    if (events.size() > 1) {
      ASSERT_TRUE(Parameter(events[1], "from"));
      EXPECT_EQ(Parameter(events[1], "from")->stringValue(), "program");
      EXPECT_EQ(events[1].origin(), "app");
    }
  }
}

std::string Md5Low64(const std::string& hexBlob) {
  std::vector<unsigned char> bytes;
  for (size_t i = 0; i + 1 < hexBlob.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::stoi(hexBlob.substr(i, 2), nullptr, 16)));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr), 1);
  uint64_t low = 0;
  for (unsigned int i = length - 8; i < length; ++i) low = (low << 8) | digest[i];
  return std::to_string(static_cast<int64_t>(low));
}

TEST_F(IntakeTest, TheFingerprintIsTheLow64BitsOfTheMetadataDigest) {
  logEvent("one");
  logEvent("two");
  Rows metadata = sql("SELECT metadata_fingerprint, hex(metadata) FROM raw_events_metadata");
  ASSERT_EQ(metadata.size(), 1u);
  EXPECT_EQ(metadata[0][0], Md5Low64(metadata[0][1]));
  EXPECT_EQ(count("raw_events", "metadata_fingerprint = " + metadata[0][0]), 2);

  // New metadata (a user property changed) gets its own row and fingerprint.
  onWorker([&] {
    auto attribute = APMUserAttribute::initWithOrigin("app", "tier", APMValue("gold"), platform::Clock::nowSeconds());
    ASSERT_TRUE(attribute);
    EXPECT_TRUE(engine_->setUserPropertyInDatabaseOnWorkerQueue(*attribute));
  });
  logEvent("three");
  metadata = sql("SELECT metadata_fingerprint, hex(metadata) FROM raw_events_metadata");
  ASSERT_EQ(metadata.size(), 2u);
  for (const auto& row : metadata) EXPECT_EQ(row[0], Md5Low64(row[1]));
  std::string first = value("SELECT metadata_fingerprint FROM raw_events WHERE name = 'one'");
  std::string third = value("SELECT metadata_fingerprint FROM raw_events WHERE name = 'three'");
  EXPECT_NE(first, third);
  EXPECT_EQ(count("raw_events_metadata", "metadata_fingerprint IN (" + first + ", " + third + ")"), 2);
}

TEST_F(IntakeTest, EachStoredFirstOpenRaisesThePreviousFirstOpenCount) {
  const std::optional<std::string> none;
  const struct {
    std::optional<std::string> before;
    std::string after;
  } cases[] = {
      {none, "1"}, {std::string("-3"), "1"}, {std::string("0"), "1"}, {std::string("5"), "6"},
      {std::string("junk"), "1"}, {std::string("9223372036854775807"), "9223372036854775807"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before.value_or("(none)"));
    engine_->setPreviousFirstOpenCount(c.before);
    logInternal("_f");
    EXPECT_EQ(engine_->previousFirstOpenCount(), c.after);
  }
  // Kept in the keychain under the engine's app ID.
  EXPECT_EQ(APMKeychainWrapper::keychainValueWithIdentifier("_pfo", kAppID), "9223372036854775807");
  // Other events leave it alone.
  logEvent("shop");
  EXPECT_EQ(engine_->previousFirstOpenCount(), "9223372036854775807");
}

TEST_F(IntakeTest, AFirstOpenWithoutAdvertisingIDIsMatchedByALaterConsentedEvent) {
  auto persisted = APMPersistedConfig::sharedInstance();
  logInternal("_f");
  EXPECT_TRUE(persisted->unmatchedFirstOpenWithoutIDFA());
  EXPECT_EQ(count("raw_events", "name = '_fx'"), 0);

  // Tracking allowed: the metadata now carries the advertising ID.
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  setAdvertising(true, "11111111-2222-3333-4444-555555555555");
  clock_->advance(3600);  // past the identity's cache of the advertising ID
  logEvent("shop");
  EXPECT_FALSE(persisted->unmatchedFirstOpenWithoutIDFA());
  EXPECT_EQ(count("raw_events", "name = '_fx' AND is_realtime = 1"), 1);
  logEvent("shop");
  EXPECT_EQ(count("raw_events", "name = '_fx'"), 1);
}

TEST_F(IntakeTest, ExtendSessionInTheBackground) {
  auto persisted = APMPersistedConfig::sharedInstance();
  // Those after the start's own.
  auto startsSoFar = [&] {
    std::vector<std::string> trace = engine_->callTrace();
    return std::count(trace.begin(), trace.end(), "reportSessionStartOnWorkerQueueWithTimestamp");
  };
  const auto startsAtLaunch = startsSoFar();
  auto sessionStarts = [&] { return startsSoFar() - startsAtLaunch; };
  auto storeSessionProperties = [&] {
    onWorker([&] {
      for (const char* name : {"_sid", "_sno", "_se"}) {
        auto attribute = APMUserAttribute::initWithOrigin("auto", name, APMValue(int64_t{1}), platform::Clock::nowSeconds());
        ASSERT_TRUE(attribute);
        EXPECT_TRUE(engine_->setUserPropertyInDatabaseOnWorkerQueue(*attribute));
      }
    });
  };

  // The session has expired: its properties go, and "extend_session" starts a new one.
  storeSessionProperties();
  logEvent("ping");
  EXPECT_EQ(count("user_attributes", "name IN ('_sid', '_sno', '_se')"), 0);
  logEvent("ping", {{"extend_session", Value(int64_t{1})}});
  EXPECT_EQ(sessionStarts(), 1);

  // A live session is extended to now.
  clock_->advance(60);
  logEvent("ping", {{"extend_session", Value(int64_t{1})}});
  EXPECT_EQ(sessionStarts(), 1);
  EXPECT_EQ(persisted->lastSessionActivityClockTime(), platform::Clock::nowSeconds());

  // Any other value is refused with a hint.
  logEvent("ping", {{"extend_session", Value(int64_t{2})}});
  EXPECT_TRUE(logged(23179));

  // While the app is active nothing of this applies.
  APMEngineHooks::setAppActiveProvider([] { return true; });
  persisted->setLastSessionActivityClockTime(0);
  storeSessionProperties();
  logEvent("ping", {{"extend_session", Value(int64_t{1})}});
  EXPECT_EQ(sessionStarts(), 1);
  EXPECT_EQ(count("user_attributes", "name IN ('_sid', '_sno', '_se')"), 3);
}

TEST_F(IntakeTest, PurchasesAreConversionsAndAddToTheLifetimeValue) {
  logEvent("purchase", {{"currency", Value("usd")}, {"value", Value(9.99)}});
  EXPECT_EQ(count("raw_events", "name = 'purchase'"), 1);
  EXPECT_EQ(value("SELECT daily_conversions_count FROM app_metadata"), "0");
  onWorker([&] {
    auto ltv = engine_->database()->userAttributeWithName("_ltv_USD", nullptr);
    ASSERT_TRUE(ltv);
    EXPECT_EQ(ltv->value().int64Value(), 9990000);
  });
  // An amount out of bounds rolls the whole write back.
  logEvent("purchase", {{"currency", Value("usd")}, {"value", Value(1e13)}});
  EXPECT_TRUE(logged(23053));
  EXPECT_EQ(count("raw_events", "name = 'purchase'"), 1);
}

}  // namespace
}  // namespace measurement_test
