// The public analytics class end to end: the core library's configure reads
// the service file and starts the engine through the start the class
// registers at load; calls made before the core is configured are logged and
// dropped for good; parameters holding an unbridgeable value warn once and
// are still logged.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "Analytics/Engine/Interface/APMLoadHooks.h"
#include "Analytics/Engine/Interface/QRVAAdExposureReporter.h"
#include "Analytics/Engine/Interface/QRVAConditionalUserProperty.h"
#include "Analytics/Engine/Interface/QRVAConditionalUserPropertyController.h"
#include "Analytics/Engine/Interface/QRVAIdentifiers.h"
#include "Analytics/Engine/Interface/QRVAMeasurement.h"
#include "Analytics/Engine/Interface/QRVAScreenViewReporter.h"
#include "Analytics/Engine/Interface/QRVAUserAttribute.h"
#include "Analytics/Engine/Interface/QRVAValue.h"
#include "Analytics/Engine/Interface/QRVAnalytics.h"
#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"
#include "Platform/Foundation/Log.h"
#include "Platform/QuorvaneCore/QRVApp.h"
#include "Platform/QuorvaneMessaging/QRVConfigure.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/LoadHookRegistry.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace {

using measurement_test::kAppID;
using platform::Value;

// Outside code names the engine's classes under the public prefix.
static_assert(std::is_base_of_v<APMMeasurement, QRVAMeasurement>);
static_assert(std::is_base_of_v<APMScreenViewReporter, QRVAScreenViewReporter>);
static_assert(std::is_base_of_v<APMAdExposureReporter, QRVAAdExposureReporter>);
static_assert(std::is_base_of_v<APMConditionalUserProperty, QRVAConditionalUserProperty>);
static_assert(std::is_base_of_v<APMConditionalUserPropertyController, QRVAConditionalUserPropertyController>);
static_assert(std::is_base_of_v<APMEvent, QRVAEvent>);
static_assert(std::is_base_of_v<APMIdentifiers, QRVAIdentifiers>);
static_assert(std::is_base_of_v<APMUserAttribute, QRVAUserAttribute>);
static_assert(std::is_base_of_v<APMValue, QRVAValue>);

class PublicInterfaceTest : public measurement_test::MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    // Held until the real start, as in a process that just launched.
    APMAnalytics::resetForTesting();
    platform::QRVApp::setDefaultAppConfigured(false);
    platform::QRVApp::registerAnalyticsStart(nullptr);
  }
  void TearDown() override {
    settle();
    platform::QRVApp::setDefaultAppConfigured(false);
    platform::QRVApp::registerAnalyticsStart(nullptr);
    QRVAnalyticsCalls::install(nullptr);
    auto& registry = platform::ClassRegistry::shared();
    for (const auto& name : APMLoadHooks::publicClassNames()) registry.unregisterClass(name);
    registry.unregisterClass(QRVAnalytics::kUnbridgeableValueClassName);
    MeasurementFixture::TearDown();
  }

 public:
  static std::string bundlePath() { return platform::Bundle::main().bundlePath(); }
  void writeServiceFile(const Value::Dictionary& contents) { writeServicePlist(bundlePath(), contents); }

  // The program's launch: the load hook of the public class, then configure.
  void launchWithServiceFile() {
    writeServiceFile({{"TRIVANDEL_APP_ID", Value(kAppID)}});
    APMLoadHooks::registerPublicClasses();
    platform::QRVConfigure();
    settle();
  }

  bool logged(const platform::LogCapture& capture, int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char text[16];
    std::snprintf(text, sizeof text, "I-ACS%06d", code);
    return capture.contains(text);
  }
  int countLogged(const platform::LogCapture& capture, int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char text[16];
    std::snprintf(text, sizeof text, "I-ACS%06d", code);
    int n = 0;
    for (const auto& line : capture.lines()) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
  int64_t events(const std::string& name) { return count("raw_events", "name = '" + name + "'"); }
};

TEST_F(PublicInterfaceTest, ConfigureStartsAnalyticsAfterTheComponentsWithTheServiceFileAppID) {
  struct Case {
    const char* label;
    std::function<void(PublicInterfaceTest&)> prepare;
    bool starts;
    std::string appID;
  };
  const std::vector<Case> cases = {
      {"no service file", [](PublicInterfaceTest&) {}, false, ""},
      {"app ID", [](PublicInterfaceTest& t) { t.writeServiceFile({{"TRIVANDEL_APP_ID", Value(kAppID)}}); }, true,
       kAppID},
      {"no app ID key",
       [](PublicInterfaceTest& t) { t.writeServiceFile({{"PELLUMAR_APP_ID", Value("ca-app-pub-1~2")}}); }, true, ""},
      {"app ID not text", [](PublicInterfaceTest& t) { t.writeServiceFile({{"TRIVANDEL_APP_ID", Value(7)}}); }, true,
       ""},
      {"not a property list",
       [](PublicInterfaceTest&) {
         std::FILE* f = std::fopen((bundlePath() + "/TrivandelService-Info.plist").c_str(), "w");
         ASSERT_NE(f, nullptr);
         std::fputs("not a plist", f);
         std::fclose(f);
       },
       false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::remove((bundlePath() + "/TrivandelService-Info.plist").c_str());
    platform::QRVApp::setDefaultAppConfigured(false);
    std::vector<std::string> order;
    std::vector<platform::QRVOptions> starts;
    platform::QRVApp::registerInternalLibrary("test-library", "1", [&order] { order.push_back("components"); });
    platform::QRVApp::registerAnalyticsStart([&](const platform::QRVOptions& options) {
      EXPECT_TRUE(platform::QRVApp::isDefaultAppConfigured());
      order.push_back("start");
      starts.push_back(options);
    });
    c.prepare(*this);
    platform::QRVConfigure();
    platform::QRVConfigure();  // once per process
    platform::QRVApp::registerInternalLibrary("test-library", "1", {});
    ASSERT_EQ(starts.size(), c.starts ? 1u : 0u);
    const std::vector<std::string> expected =
        c.starts ? std::vector<std::string>{"components", "start"} : std::vector<std::string>{"components"};
    EXPECT_EQ(order, expected);
    if (!c.starts) continue;
    EXPECT_EQ(starts[0].trivandelAppID, c.appID);
    EXPECT_TRUE(starts[0].isAnalyticsCollectionEnabled);
    EXPECT_FALSE(starts[0].isAnalyticsCollectionDeactivated);
  }
}

TEST_F(PublicInterfaceTest, LaunchRegistersThePublicClassesAndConfigureStartsTheEngine) {
  // The hooks are recorded at static initialisation, in this order, and none
  // has run merely by loading the library.
  std::vector<std::string> recorded = platform::LoadHookRegistry::shared().names();
  std::vector<std::string> ours;
  for (const auto& name : recorded) {
    for (const auto& hook : APMLoadHooks::hookNames()) {
      if (name == hook) ours.push_back(name);
    }
  }
  EXPECT_EQ(ours, APMLoadHooks::hookNames());
  EXPECT_EQ(APMLoadHooks::hookNames().front(), "QRVAnalytics");
  EXPECT_FALSE(APMMeasurement::sharedInstance());

  launchWithServiceFile();
  for (const auto& name : APMLoadHooks::publicClassNames()) {
    EXPECT_TRUE(platform::ClassRegistry::shared().classExists(name)) << name;
  }
  EXPECT_EQ(QRVAnalyticsCalls::installed(), QRVAnalytics::sharedInstance());
  auto engine = APMMeasurement::sharedInstance();
  ASSERT_TRUE(engine);
  EXPECT_EQ(QRVAMeasurement::sharedInstance(), engine);
  EXPECT_EQ(engine->appID(), kAppID);
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_TRUE(APMAnalytics::hasStarted());

  // The connector's path reaches the database like the app's.
  QRVAnalyticsCalls::installed()->logEventWithName("through_calls", {{"item", Value("a")}});
  QRVAnalytics::logEventWithName("through_class", {{"item", Value("b")}});
  settle();
  EXPECT_EQ(events("through_calls"), 1);
  EXPECT_EQ(events("through_class"), 1);
}

TEST_F(PublicInterfaceTest, CallsBeforeTheCoreIsConfiguredAreLoggedAndNeverReachTheEngine) {
  struct Case {
    const char* label;
    std::function<void()> call;
    int code;
  };
  const std::vector<Case> cases = {
      {"event", [] { QRVAnalytics::logEventWithName("too_early", {{"item", Value("x")}}); }, 25018},
      {"event with origin", [] { QRVAnalytics::logEventWithOrigin("app", "too_early_origin", {}); }, 25018},
      {"event from the connector",
       [] { QRVAnalytics::sharedInstance()->logEventWithName("too_early_connector", {}); }, 25018},
      {"user property", [] { QRVAnalytics::setUserPropertyString("early", "early_prop"); }, 25019},
      {"email", [] { QRVAnalytics::initiateOnDeviceConversionMeasurementWithEmailAddress("a@b.example"); }, 25051},
      {"phone", [] { QRVAnalytics::initiateOnDeviceConversionMeasurementWithPhoneNumber("+15550100"); }, 25052},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    platform::LogCapture capture;
    c.call();
    EXPECT_TRUE(logged(capture, c.code));
  }
  // Configuring later releases nothing of the above.
  launchWithServiceFile();
  QRVAnalytics::logEventWithName("in_time", {});
  QRVAnalytics::setUserPropertyString("late", "late_prop");
  settle();
  EXPECT_EQ(events("in_time"), 1);
  EXPECT_EQ(count("user_attributes", "name = 'late_prop'"), 1);
  for (const char* name : {"too_early", "too_early_origin", "too_early_connector"}) EXPECT_EQ(events(name), 0) << name;
  EXPECT_EQ(count("user_attributes", "name = 'early_prop'"), 0);
}

TEST_F(PublicInterfaceTest, UnbridgeableValuesWarnOnceAndTheEventIsStillLogged) {
  const std::string marker = "<swift value>";
  auto& registry = platform::ClassRegistry::shared();
  struct Case {
    const char* label;
    APMParameterObjects parameters;
    int warnings;
  };
  const Value nested = Value(Value::Dictionary{{"inner", Value(Value::Array{Value(1), Value(marker)})}});
  const std::vector<Case> cases = {
      {"top-level value", {{"item", Value(marker)}}, 1},
      {"inside a dictionary inside an array", {{"list", Value(Value::Array{Value(2), nested})}}, 1},
      {"a dictionary key", {{"map", Value(Value::Dictionary{{marker, Value(3)}})}}, 1},
      {"two of them, one warning", {{"a", Value(marker)}, {"b", Value(Value::Array{Value(marker)})}}, 1},
      {"plain values", {{"item", Value("swift")}, {"count", Value(4)}}, 0},
      {"typed value", {{"item", APMValue(std::string(marker))}}, 0},
  };
  launchWithServiceFile();
  // Registered by name only: no value is of the class.
  registry.registerClass(QRVAnalytics::kUnbridgeableValueClassName);
  {
    platform::LogCapture capture;
    QRVAnalytics::logEventWithName("name_only", {{"item", Value(marker)}});
    settle();
    EXPECT_EQ(countLogged(capture, 25040), 0);
  }
  registry.registerClass(QRVAnalytics::kUnbridgeableValueClassName, [marker] {
    return std::any(QRVAnalytics::UnbridgeableValueTest(
        [marker](const Value& value) { return value.getString() && *value.getString() == marker; }));
  });
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "bridged_" + std::to_string(n++);
    platform::LogCapture capture;
    EXPECT_EQ(QRVAnalytics::containsUnbridgeableValue(c.parameters), c.warnings > 0);
    QRVAnalytics::logEventWithName(name, c.parameters);
    settle();
    EXPECT_EQ(countLogged(capture, 25040), c.warnings);
    EXPECT_EQ(events(name), 1);
  }
  // Without the class nothing is looked at.
  registry.unregisterClass(QRVAnalytics::kUnbridgeableValueClassName);
  EXPECT_FALSE(QRVAnalytics::containsUnbridgeableValue({{"item", Value(marker)}}));
}

TEST_F(PublicInterfaceTest, ConsentOfThePublicClassIsTheHighestPrioritySource) {
  launchWithServiceFile();
  QRVAnalytics::setConsent({{"ad_storage", Value("denied")}});
  auto stored = APMAnalytics::consentSettings3P();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->at("ad_storage"), Value("denied"));
  // The same through the app's own (first-party) path is lower priority.
  platform::LogCapture capture;
  APMAnalytics::setConsent({{"ad_storage", Value("granted")}});
  EXPECT_TRUE(logged(capture, 25043));
  EXPECT_EQ(APMAnalytics::consentSettings3P()->at("ad_storage"), Value("denied"));
}

}  // namespace
