// On-device conversion measurement with a fake add-on against the loopback
// collector: when a query may start, which initialiser and URL it uses, what
// a match stores, retries with back-off, and the 90-day expiry.
#include <cmath>
#include <mutex>

#include "Analytics/Engine/APMPrivateSetMembershipClient.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "tests/Analytics/Engine/Measurement/AttributionFixture.h"

namespace measurement_test {
namespace {

using platform::Clock;

// What the fake add-on was made with and asked.
struct FakeAddOnLog {
  std::mutex mu;
  std::vector<std::string> initialisers;  // "email/prefix 14", "phone", ...
  std::string baseURL;                    // empty: no URL
  std::optional<std::string> debugKey;
  std::string match;                      // the parsed value of every reply
};

class FakeClient : public APMPrivateSetMembershipClient {
 public:
  FakeClient(std::shared_ptr<FakeAddOnLog> log, int64_t type) : log_(std::move(log)), type_(type) {}
  std::optional<std::string> PSMRequestURLWithRetryCount(int64_t retryCount) override {
    std::lock_guard<std::mutex> lock(log_->mu);
    if (log_->baseURL.empty()) return std::nullopt;
    return log_->baseURL + "?retry=" + std::to_string(retryCount);
  }
  int64_t inputType() const override { return type_; }
  std::optional<std::string> debugKey() const override {
    std::lock_guard<std::mutex> lock(log_->mu);
    return log_->debugKey;
  }
  std::string parsedPSMValueFromResponse(const platform::Bytes&) override {
    std::lock_guard<std::mutex> lock(log_->mu);
    return log_->match;
  }

 private:
  std::shared_ptr<FakeAddOnLog> log_;
  int64_t type_;
};

class OnDeviceConversionTest : public AttributionFixture {
 protected:
  void SetUp() override {
    AttributionFixture::SetUp();
    if (HasFatalFailure()) return;
    addOn_->baseURL = collector_.baseURL() + "/psm";
    registerAddOn(true, true);
    engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(static_cast<int64_t>(kStartNow) * 1000);
  }
  void TearDown() override {
    platform::ClassRegistry::shared().unregisterClass(APMPrivateSetMembershipClient::kClassName);
    platform::ProcessInfo::processInfo().setArgumentsForTesting({"tests"});
    AttributionFixture::TearDown();
  }

  // The add-on with or without its prefix initialisers and its phone support.
  void registerAddOn(bool prefixInitialisers, bool phone) {
    APMPrivateSetMembershipClientClass clientClass;
    auto log = addOn_;
    auto made = [log](const std::string& what, int64_t type) {
      std::lock_guard<std::mutex> lock(log->mu);
      log->initialisers.push_back(what);
      return std::make_shared<FakeClient>(log, type);
    };
    clientClass.initWithEmailAddress = [made](const std::string& input, const std::string&) {
      return made("email " + input, 1);
    };
    if (prefixInitialisers) {
      clientClass.initWithEmailAddressPrefixBitLength = [made](const std::string& input, const std::string&,
                                                               int32_t prefix) {
        return made("email " + input + "/" + std::to_string(prefix), 1);
      };
    }
    if (phone) {
      clientClass.initWithPhoneNumber = [made](const std::string& input, const std::string&) {
        return made("phone " + input, 2);
      };
      if (prefixInitialisers) {
        clientClass.initWithPhoneNumberPrefixBitLength = [made](const std::string& input, const std::string&,
                                                                int32_t prefix) {
          return made("phone " + input + "/" + std::to_string(prefix), 2);
        };
      }
    }
    platform::ClassRegistry::shared().registerClass(APMPrivateSetMembershipClient::kClassName,
                                                    [clientClass] { return std::any(clientClass); });
  }

  // Passes user data as the facade does (an empty text is given as given);
  // true when a query was started.
  bool startWith(const std::string& email, const std::string& phone) {
    bool started = false;
    onWorker([&] {
      const int64_t before = engine_->PSMStartCount();
      engine_->setUserDataOnWorkerQueue({{"email_address", Value(email)}, {"phone_number", Value(phone)}});
      started = engine_->PSMStartCount() > before;
    });
    return started;
  }

  std::optional<int64_t> attributeInt(const std::string& name) {
    return readOnWorker<std::optional<int64_t>>([&]() -> std::optional<int64_t> {
      APMError error;
      auto attribute = engine_->database()->userAttributeWithName(name, &error);
      if (!attribute || !attribute->value().isInt64()) return std::nullopt;
      return attribute->value().int64Value();
    });
  }
  void setAttribute(const std::string& name, APMValue value, double at) {
    onWorker([&] {
      auto attribute = APMUserAttribute::initWithOrigin("auto", name, std::move(value), at);
      ASSERT_TRUE(attribute);
      engine_->setUserAttributeOnWorkerQueue(*attribute);
    });
  }
  std::vector<std::string> initialisers() {
    std::lock_guard<std::mutex> lock(addOn_->mu);
    return addOn_->initialisers;
  }
  std::string lastTarget() {
    const auto requests = collector_.requests(Route::kOnDeviceConversion);
    return requests.empty() ? std::string() : requests.back().target;
  }

  std::shared_ptr<FakeAddOnLog> addOn_ = std::make_shared<FakeAddOnLog>();
};

TEST_F(OnDeviceConversionTest, TheChecksRunInOrderAfterTheEmptyInputChecks) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string email;
    std::string phone;
    int code;  // 0: refused without a line
    bool allowed;
  };
  const Case cases[] = {
      {"empty e-mail", [] {}, "", "", 23234, false},
      {"empty phone", [] {}, "-", "", 23239, false},
      {"phone unsupported", [&] { registerAddOn(true, false); }, "-", "+15550100", 23262, false},
      {"no add-on", [] { platform::ClassRegistry::shared().unregisterClass(APMPrivateSetMembershipClient::kClassName); },
       "a@example.test", "", 23233, false},
      {"switched off", [&] { setSettings({{"measurement.psm_enabled", "0"}}); }, "a@example.test", "", 0, false},
      {"outside the first-open window", [&] { clock_->advance(60 * 86400 + 1); }, "a@example.test", "", 23261,
       false},
      {"start limit", [&] { onWorker([&] { engine_->setPSMStartCount(3); }); }, "a@example.test", "", 23236,
       false},
      {"existing match", [&] { setAttribute("_psmvalue", APMValue("m"), Clock::nowSeconds()); }, "a@example.test",
       "", 23237, false},
      {"retry limit", [&] { onWorker([&] { engine_->setPSMRetryCount(5); }); }, "a@example.test", "", 23238, false},
      {"eligible", [] {}, "a@example.test", "", 0, true},
  };
  const double start = Clock::nowSeconds();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clock_->setNow(start);
    setSettings({});
    registerAddOn(true, true);
    onWorker([&] {
      engine_->setPSMStartCount(0);
      engine_->setPSMRetryCount(0);
      APMError error;
      engine_->database()->deleteUserAttributeWithName("_psmvalue", &error);
    });
    c.arrange();
    forgetLog();
    bool allowed = false;
    onWorker([&] {
      allowed = c.email == "-" ? engine_->shouldRetrievePSMResponseWithPhoneNumber(c.phone)
                               : engine_->shouldRetrievePSMResponseWithEmailAddress(c.email);
    });
    EXPECT_EQ(allowed, c.allowed);
    for (int code : {23234, 23239, 23262, 23233, 23261, 23235, 23236, 23237, 23238}) {
      EXPECT_EQ(logged(code), code == c.code) << code;
    }
  }
}

TEST_F(OnDeviceConversionTest, ARequestInProgressRefusesASecond) {
  MeasurementCollector::Reply held;
  held.hold = true;
  collector_.queueReply(Route::kOnDeviceConversion, held);
  ASSERT_TRUE(startWith("a@example.test", ""));
  ASSERT_TRUE(clock_->runUntil([&] { return !collector_.requests(Route::kOnDeviceConversion).empty(); }, 30));
  forgetLog();
  EXPECT_FALSE(startWith("b@example.test", ""));
  EXPECT_TRUE(logged(23235));
  collector_.releaseHeld();
  waitForReplies();
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->isPSMRequestInProgress(); }));
}

TEST_F(OnDeviceConversionTest, TheInitialiserFollowsPrefixSupportAndEmailWinsOverPhone) {
  ASSERT_TRUE(startWith("a@example.test", "+15550100"));
  waitForRoute(Route::kOnDeviceConversion, 1);
  registerAddOn(false, true);
  ASSERT_TRUE(startWith("", "+15550101"));
  waitForRoute(Route::kOnDeviceConversion, 2);
  EXPECT_EQ(initialisers(), (std::vector<std::string>{"email a@example.test/14", "phone +15550101"}));
}

TEST_F(OnDeviceConversionTest, TheURLNamesTheInputsCountTheFirstOpenMinuteAndTheDebugKeyOnlyWhenAllAgree) {
  setSettings({{"measurement.psm_start_count", "10"}});
  // First open 22:13:20 moves on to 22:14:00; an exact minute moves on too.
  setAttribute("_psmcount", APMValue(int64_t{4}), Clock::nowSeconds());
  ASSERT_TRUE(startWith("a@example.test", ""));
  waitForRoute(Route::kOnDeviceConversion, 1);
  EXPECT_EQ(lastTarget(), "/psm?retry=0&psm_count=4&timestamp_first_open=1700000040");
  EXPECT_EQ(attributeInt("_psmcount"), 5);  // every answered request counts

  engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(1700000040LL * 1000);
  ASSERT_TRUE(startWith("", "+15550100"));
  waitForRoute(Route::kOnDeviceConversion, 2);
  EXPECT_EQ(lastTarget(), "/psm?retry=0&psm_phone_count=0&timestamp_first_open=1700000100");
  EXPECT_EQ(attributeInt("_psmcountph"), 1);

  struct Case {
    bool verbose;
    bool key;
    bool argument;
  };
  const Case cases[] = {{true, true, true}, {false, true, true}, {true, false, true}, {true, true, false}};
  std::size_t sent = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.verbose) + std::to_string(c.key) + std::to_string(c.argument));
    APMMeasurementMonitor().setVerboseLoggingEnabled(c.verbose);
    {
      std::lock_guard<std::mutex> lock(addOn_->mu);
      addOn_->debugKey = c.key ? std::optional<std::string>("k&ey=1") : std::nullopt;
    }
    platform::ProcessInfo::processInfo().setArgumentsForTesting(
        c.argument ? std::vector<std::string>{"tests", "-DebugOnDeviceConversionMeasurement"}
                   : std::vector<std::string>{"tests"});
    ASSERT_TRUE(startWith("a@example.test", ""));
    waitForRoute(Route::kOnDeviceConversion, ++sent);
    const bool withKey = lastTarget().find("&debug_psm_key=k%26ey%3D1") != std::string::npos;
    EXPECT_EQ(withKey, c.verbose && c.key && c.argument) << lastTarget();
  }
  APMMeasurementMonitor().setVerboseLoggingEnabled(true);
}

TEST_F(OnDeviceConversionTest, AMatchIsStoredAndReportedInRealTime) {
  {
    std::lock_guard<std::mutex> lock(addOn_->mu);
    addOn_->match = "segment-7";
  }
  collector_.queueReply(Route::kOnDeviceConversion, MeasurementCollector::Reply{200, "opaque", {}, false, 0, false});
  ASSERT_TRUE(startWith("a@example.test", ""));
  waitForRoute(Route::kOnDeviceConversion, 1);
  EXPECT_TRUE(logged(23229));
  EXPECT_EQ(attributeText("_psmvalue"), "segment-7");
  EXPECT_EQ(attributeInt("_psmcount"), 1);
  const auto fx = rawEventsNamed("_fx");
  ASSERT_EQ(fx.size(), 1u);
  EXPECT_EQ(textParameter(fx[0], "_fxs"), "psm");
  EXPECT_TRUE(fx[0].isRealtime());
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->isPSMRequestInProgress(); }));
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->privateSetMembershipClient() != nullptr; }));
  // The match stops further queries.
  forgetLog();
  EXPECT_FALSE(startWith("a@example.test", ""));
  EXPECT_TRUE(logged(23237));
}

TEST_F(OnDeviceConversionTest, FailuresRetryWithDoublingDelaysUntilTheLimit) {
  // The interval travels in milliseconds.
  setSettings({{"measurement.psm_retry_count", "3"}, {"measurement.psm_retry_interval", "30000"}});
  ASSERT_EQ(engine_->remoteConfigInstance()->PSMRetryInterval(), 30);
  collector_.setDefaultReply(Route::kOnDeviceConversion, MeasurementCollector::Reply{500, "", {}, false, 0, false});
  ASSERT_TRUE(startWith("a@example.test", ""));
  waitForRoute(Route::kOnDeviceConversion, 1);
  EXPECT_TRUE(logged(23228));
  for (const auto& [delay, sent] : {std::pair<double, std::size_t>{30, 2}, {60, 3}}) {
    SCOPED_TRACE(delay);
    auto due = readOnWorker<std::optional<double>>([&] { return engine_->PSMRetryAlarm()->scheduledTimestamp(); });
    ASSERT_TRUE(due);
    EXPECT_NEAR(*due, Clock::nowSeconds() + delay, 0.001);
    // Exactly to the due time: the reply (real I/O) then finds the clock
    // where the alarm fired, and the next delay counts from there.
    clock_->runFor(delay);
    waitForRoute(Route::kOnDeviceConversion, sent);
    EXPECT_EQ(lastTarget().rfind("/psm?retry=" + std::to_string(sent - 1), 0), 0u) << lastTarget();
  }
  EXPECT_TRUE(logged(23231));
  EXPECT_EQ(readOnWorker<int64_t>([&] { return engine_->PSMRetryCount(); }), 3);
  EXPECT_EQ(attributeInt("_psmcount"), 3);
  clock_->runFor(600);
  settle();
  EXPECT_EQ(collector_.requests(Route::kOnDeviceConversion).size(), 3u);
}

TEST_F(OnDeviceConversionTest, AMatchExpiresAfterNinetyDaysWithItsCounts) {
  const double now = Clock::nowSeconds();
  struct Case {
    double ageSeconds;
    bool removed;
  };
  for (const Case& c : {Case{7776000 - 1, false}, Case{7776000, true}}) {
    SCOPED_TRACE(c.ageSeconds);
    setAttribute("_psmvalue", APMValue("m"), now - c.ageSeconds);
    setAttribute("_psmcount", APMValue(int64_t{2}), now);
    setAttribute("_psmcountph", APMValue(int64_t{1}), now);
    onWorker([&] { engine_->maybeDeleteExpiredPSMValueOnWorkerQueue(); });
    EXPECT_EQ(attributeText("_psmvalue").has_value(), !c.removed);
    EXPECT_EQ(attributeInt("_psmcount").has_value(), !c.removed);
    EXPECT_EQ(attributeInt("_psmcountph").has_value(), !c.removed);
  }
}

TEST_F(OnDeviceConversionTest, WithoutTheAddOnStoredCountsWarnAtStart) {
  platform::ClassRegistry::shared().unregisterClass(APMPrivateSetMembershipClient::kClassName);
  forgetLog();
  onWorker([&] { engine_->checkPSMDependencyOnWorkerQueue(); });
  EXPECT_FALSE(logged(23254));
  setAttribute("_psmcountph", APMValue(int64_t{1}), Clock::nowSeconds());
  onWorker([&] { engine_->checkPSMDependencyOnWorkerQueue(); });
  EXPECT_TRUE(logged(23254));
  registerAddOn(true, true);
  onWorker([&] { engine_->checkPSMDependencyOnWorkerQueue(); });
  EXPECT_TRUE(logged(23253));
}

TEST_F(OnDeviceConversionTest, AQueryThatCannotStartLeavesNothingSetAndIsPostponedWhileTheNetworkIsBusy) {
  {
    std::lock_guard<std::mutex> lock(addOn_->mu);
    addOn_->baseURL = "https://psm.facility.invalid/psm";
  }
  bool inProgress = true;
  bool isPending = true;
  onWorker([&] {
    engine_->setPrivateSetMembershipClient(engine_->PSMClientWithEmailAddress("a@example.test"));
    engine_->retrievePSMResponse();
    inProgress = engine_->isPSMRequestInProgress();
    isPending = engine_->isNetworkRequestPending();
  });
  EXPECT_FALSE(inProgress);
  EXPECT_FALSE(isPending);
  waitForReplies();
  EXPECT_EQ(attributeInt("_psmcount"), 1);
  EXPECT_EQ(readOnWorker<int64_t>([&] { return engine_->PSMRetryCount(); }), 1);

  // A pending network operation postpones the query; no URL at all is refused.
  bool postponed = false;
  onWorker([&] {
    engine_->setIsNetworkRequestPending(true);
    engine_->retrievePSMResponse();
    postponed = engine_->isPSMRequestPostponed();
    engine_->setIsNetworkRequestPending(false);
    engine_->setIsPSMRequestPostponed(false);
  });
  EXPECT_TRUE(postponed);
  EXPECT_TRUE(logged(23232));
  {
    std::lock_guard<std::mutex> lock(addOn_->mu);
    addOn_->baseURL.clear();
  }
  onWorker([&] { engine_->retrievePSMResponse(); });
  EXPECT_TRUE(logged(23227));
}

}  // namespace
}  // namespace measurement_test
