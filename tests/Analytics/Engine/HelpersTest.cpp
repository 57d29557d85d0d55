#include <gtest/gtest.h>

#include <string>

#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMDictionaryQuery.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/APMStringAdditions.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Interface/APMAppEnvironment.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMValue.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/ProcessInfo.h"

namespace {

using platform::Value;

TEST(DataHelpersTest, LeastSignificantBitsAndDigests) {
  EXPECT_EQ(apm_64LeastSignificantBits({}), 0);
  EXPECT_EQ(apm_64LeastSignificantBits({0x01, 0x02}), 258);
  EXPECT_EQ(apm_64LeastSignificantBits({0, 1, 2, 3, 4, 5, 6, 7, 8}), 72623859790382856);
  EXPECT_EQ(apm_MD5String("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_FALSE(apm_MD5String("\xff"));
  // MD5("abc") bytes 8-15: d6 96 3f 7d 28 e1 7f 72.
  EXPECT_EQ(apm_64LSBMD5({'a', 'b', 'c'}), static_cast<int64_t>(0xd6963f7d28e17f72ULL));
  EXPECT_EQ(apm_UTF32Length("a\xC3\xA9\xF0\x9F\x98\x80"), 3u);
  uint8_t buffer[8] = {};
  EXPECT_TRUE(apm_getUTF32Bytes("\xC3\xA9z", buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], 0xE9);
  EXPECT_EQ(buffer[4], 'z');
}

TEST(DataHelpersTest, QueryStrings) {
  struct Case {
    Value::Dictionary dictionary;
    const char* query;
  };
  const Case cases[] = {
      {{}, ""},
      {{{"a", Value(1)}, {"b", Value("x y")}}, "a=1&b=x%20y"},
      {{{"k&=", Value("v+#/?")}}, "k%26%3D=v%2B%23/?"},
      {{{"u", Value("\xC3\xA9")}}, "u=%C3%A9"},
      {{{"d", Value(1.5)}, {"t", Value(true)}}, "d=1.5&t=1"},
  };
  for (const auto& c : cases) {
    std::string query = apm_queryString(c.dictionary);
    EXPECT_EQ(query, c.query);
    // Round trip: every value comes back as its text.
    auto parsed = apm_dictionaryWithHttpArgumentsString(query);
    for (const auto& [key, value] : c.dictionary) EXPECT_EQ(parsed[key], APMQueryText(value)) << key;
  }
  auto first = apm_dictionaryWithHttpArgumentsString("a=1&b=2&a=3");
  EXPECT_EQ(first["a"], "1");
  EXPECT_EQ(first["b"], "2");
  auto bare = apm_dictionaryWithHttpArgumentsString("x&y=&&");
  EXPECT_EQ(bare.size(), 2u);
  EXPECT_EQ(bare["x"], "");
  EXPECT_EQ(bare["y"], "");
  auto broken = apm_dictionaryWithHttpArgumentsString("k=%zz&a+b=c%20d&e=%2");
  EXPECT_EQ(broken["k"], "");
  EXPECT_EQ(broken["a b"], "c d");
  EXPECT_EQ(broken["e"], "");
  EXPECT_FALSE(apm_stringByUnescapingFromURLArgument("%C3"));  // not UTF-8
}

TEST(APMValueTest, EqualityFollowsTheKindAndEqualValuesHashAlike) {
  using platform::Value;
  EXPECT_NE(APMValue(1.0), APMValue(int64_t{1}));
  EXPECT_EQ(APMValue(1.0).valueType(), APMValue::kDouble);
  EXPECT_EQ(APMValue(Value::Array{}).valueType(), APMValue::kArray);
  struct Pair {
    APMValue a, b;
  };
  const Pair equal[] = {
      {APMValue(0.0), APMValue(-0.0)},
      {APMValue(int64_t{7}), APMValue(int64_t{7})},
      {APMValue("x"), APMValue(std::string("x"))},
      {APMValue(Value::Array{Value("a"), Value(1), Value(-0.0)}), APMValue(Value::Array{Value("a"), Value(1), Value(0.0)})},
  };
  for (const auto& [a, b] : equal) {
    EXPECT_EQ(a, b) << a.description();
    EXPECT_EQ(a.hash(), b.hash()) << a.description();
  }
  EXPECT_NE(APMValue(Value::Array{Value("a")}), APMValue(Value::Array{Value("b")}));
  EXPECT_NE(APMValue("1"), APMValue(int64_t{1}));
}

class NamesForLoggingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    APMMeasurementMonitor().waitForPendingWork();
    wasDebug_ = APMMeasurementMonitor().isDebugModeEnabled();
  }
  void TearDown() override {
    APMMeasurementMonitor().setDebugModeEnabled(wasDebug_);
    platform::ClassRegistry::shared().unregisterClass("QRVAnalytics");
    APMMeasurementMonitor().waitForPendingWork();
  }
  platform::TemporaryDataRoot root_;
  bool wasDebug_ = false;
};

TEST_F(NamesForLoggingTest, InternalNamesShowTheirPublicNameInDebugMode) {
  APMMeasurementMonitor().setDebugModeEnabled(false);
  EXPECT_EQ(APMEventNameForLogging("_vs"), "_vs");
  APMMeasurementMonitor().setDebugModeEnabled(true);
  EXPECT_EQ(APMEventNameForLogging("_vs"), "_vs");  // public interface class absent
  platform::ClassRegistry::shared().registerClass("QRVAnalytics");
  EXPECT_EQ(APMEventNameForLogging("_vs"), "screen_view (_vs)");
  EXPECT_EQ(APMParameterNameForLogging("_err"), "tq_error (_err)");
  EXPECT_EQ(APMParameterNameForLogging("_unknown"), "_unknown");
  EXPECT_EQ(APMParameterNameForLogging("level"), "level");
  EXPECT_EQ(APMUserPropertyNameForLogging("_exp_12"), "experiment_id (_exp_12)");
  EXPECT_EQ(APMUserPropertyNameForLogging("_fot"), "first_open_time (_fot)");
  std::string dump = APMParametersForLogging({{"_err", APMValue(int64_t{5})}, {"b", APMValue("x")}});
  EXPECT_EQ(dump, "{\n    b = x;\n    tq_error (_err) = ParameterLimitReached (5);\n}");
}

class AppEnvironmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(10000.0);
    platform::Clock::setCurrent(clock_);
  }
  void TearDown() override {
    platform::Clock::setCurrent(nullptr);
    platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
    platform::ProcessInfo::processInfo().resetForTesting();
  }
  platform::TemporaryDataRoot root_;
  std::shared_ptr<platform::ManualClock> clock_;
};

TEST_F(AppEnvironmentTest, StoredDeepLinkExpiry) {
  APMUserDefaults defaults(std::string("links"));
  EXPECT_FALSE(APMIsStoredDeepLinkExpired(defaults, 100));
  APMStoreDeepLink(defaults, Value("app://x"));
  clock_->advance(100);
  EXPECT_FALSE(APMIsStoredDeepLinkExpired(defaults, 100));
  clock_->advance(1);
  EXPECT_TRUE(APMIsStoredDeepLinkExpired(defaults, 100));
  clock_->setNow(10000.0 - 200);
  EXPECT_TRUE(APMIsStoredDeepLinkExpired(defaults, 100));  // clock set back
  APMClearStoredDeepLink(defaults);
  EXPECT_FALSE(defaults.objectForKey("/trivandel/measurement/deep_link"));
  APMStoreDeepLink(APMUserDefaults::standardUserDefaults(), Value("app://y"));
  clock_->advance(604801);
  APMRemoteConfig config;
  EXPECT_TRUE(APMClearStoredDeepLinkIfExpired(config));
  EXPECT_FALSE(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/deep_link"));
}

TEST_F(AppEnvironmentTest, PreviousHourAndEnvironment) {
  EXPECT_EQ(APMPreviousHourStartMillis(3600000), 0);
  EXPECT_EQ(APMPreviousHourStartMillis(3599999), -3600000);
  EXPECT_EQ(APMPreviousHourStartMillis(7200001), 3600000);
  EXPECT_EQ(APMPreviousHourStartMillis(INT64_MIN), INT64_MIN);
  EXPECT_FALSE(APMAEU::isNOD());
  EXPECT_NE(APMAEU::deviceModel(), "x86_64");
  platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("ActivePrewarm", "1");
  EXPECT_TRUE(APMIsActivePrewarm());
  platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("ActivePrewarm", "0");
  EXPECT_FALSE(APMIsActivePrewarm());
  EXPECT_FALSE(APMHasSceneManifest());
  platform::Bundle::main().setInfoDictionaryOverride(
      Value::Dictionary{{"UIApplicationSceneManifest", Value::dictionary()},
                        {"QuorvaneAppStoreReceiptURLCheckEnabled", Value(false)}});
  EXPECT_TRUE(APMHasSceneManifest());
  EXPECT_FALSE(APMAEU::appStoreRURL());
  EXPECT_FALSE(APMIsAppActive());
}

}  // namespace
