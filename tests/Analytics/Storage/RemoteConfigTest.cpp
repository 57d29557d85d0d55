// The remote configuration over a real measurement database, fed with
// encoded configuration messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <type_traits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMainBundle.h"
#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "tests/support/MeasurementConfigBuilder.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

constexpr const char* kAppID = "1:1234567890:ios:00aa11bb22cc";

using measurement_config::ConfigBuilder;
using measurement_config::Message;

// An edit callback that copies what the native modules answer into the
// event's parameters.
const char* kModulesProgram = R"({"instructions": [
    ["41", "reg", "rc", "meta"],
    ["3", "reg", ["require", "internal.registerCallback"]],
    ["3", "rc", ["require", "internal.remoteConfig"]],
    ["3", "meta", ["require", "internal.appMetadata"]],
    ["reg", 0, ["51", "cb", ["7", "ev"],
        ["2", {"var": "ev"}, "setParamValue", ["7", "interval", ["0", "v:",
            ["2", {"var": "rc"}, "getValue", ["7", "measurement.upload.interval", "unset"]]]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "debug", ["0", "v:",
            ["2", {"var": "rc"}, "getValue", ["7", "measurement.upload.debug_upload_interval", "unset"]]]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "missing", ["0", "v:",
            ["2", {"var": "rc"}, "getValue", ["7", "measurement.not_configured", "unset"]]]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "platform", ["16", ["meta"], "platform"]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "kvl", ["16", ["meta"], "kvl_version"]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "package", ["16", ["meta"], "package_name"]]],
        ["2", {"var": "ev"}, "setParamValue", ["7", "app_version", ["0", "v:", ["16", ["meta"], "app_version"]]]],
        ["36", 0]], ["8", "type", "edit"]]]})";

// Loads, but fails as soon as it runs: an undeclared variable.
const char* kFailingProgram = R"({"instructions": [["3", "undeclared", 1]]})";

class RemoteConfigTest : public MeasurementDatabaseFixture {
 protected:
  void SetUp() override {
    MeasurementDatabaseFixture::SetUp();
    APMConsentSettingsUtil::resetForTesting();
  }
  void TearDown() override {
    APMConsentSettingsUtil::resetForTesting();
    MeasurementDatabaseFixture::TearDown();
  }
  // Runs the block on a worker thread, as the engine does, and waits for it.
  template <class F>
  auto OnWorker(F block) -> decltype(block()) {
    std::promise<decltype(block())> done;
    worker_->async([&] {
      if constexpr (std::is_void_v<decltype(block())>) {
        block();
        done.set_value();
      } else {
        done.set_value(block());
      }
    });
    return done.get_future().get();
  }
  std::shared_ptr<APMRemoteConfig> Make(const std::string& appID = kAppID) {
    auto config = OnWorker([&] { return APMRemoteConfig::initWithAppID(appID, database_, nullptr); });
    EXPECT_TRUE(config);
    return config;
  }
  bool Update(APMRemoteConfig& config, std::shared_ptr<const APMPBMeasurementConfig> message) {
    return OnWorker([&] { return config.updateMeasurementConfig(std::move(message)); });
  }
  bool Update(APMRemoteConfig& config, const ConfigBuilder& builder) { return Update(config, builder.Encoded()); }

  std::shared_ptr<platform::DispatchQueue> worker_ = platform::DispatchQueue::create("remote-config-test-worker");
  // How many lines reached the health record since it was last cleared.
  int64_t MonitoredLines() {
    APMMeasurementMonitor().waitForPendingWork();
    auto record = APMMeasurementMonitor().sampledDataForTesting();
    const platform::Value::Array* entry = record ? record->getArray() : nullptr;
    if (entry == nullptr || entry->size() != 4) return 0;
    return (*entry)[1].numberAsInt64().value_or(0);
  }
  std::map<std::string, APMPPlatformObject> Edit(APMRemoteConfig& config) {
    auto editing = config.eventEditing();
    EXPECT_TRUE(editing);
    if (!editing) return {};
    APMPError error;
    editing->handleEvent(APMPEvent("e", 1, {}), &error);
    EXPECT_FALSE(error);
    const auto& parameters = editing->eventContext().outputEvent().parameters();
    return {parameters.begin(), parameters.end()};
  }
};

TEST_F(RemoteConfigTest, AnUpdateIsStoredAndASecondInstanceParsesItAtCreation) {
  auto first = Make();
  EXPECT_EQ(first->version(), -1);
  ASSERT_TRUE(Update(*first, ConfigBuilder()
                                                 .version(42)
                                                 .settings({{"measurement.upload.interval", "60000"}})
                                                 .events({{"first_open", true, true, 7}, {"my_event", {}, {}, {}}})
                                                 .dataControls({"redact_device_info", ""})
                                                 .uploadHostPrefix("eu")
                                                 .consent({{1, 1}}, {}, {"cps"}, false)
                                                 .Encoded()));
  EXPECT_EQ(first->lastRemoteConfigUpdateTimestamp(), kFixtureNow);

  auto second = Make();
  EXPECT_EQ(second->version(), 42);
  EXPECT_EQ(second->uploadingInterval(), 60);
  // The public name was stored under its internal one.
  EXPECT_FALSE(second->eventConfigWithName("first_open"));
  ASSERT_TRUE(second->eventConfigWithName("_f"));
  EXPECT_TRUE(second->isEventBlocklisted("_f"));
  EXPECT_TRUE(second->isEventCustomConversion("_f"));
  EXPECT_EQ(second->samplingRateForEvent("_f"), 7);
  EXPECT_TRUE(second->eventConfigWithName("my_event"));
  EXPECT_EQ(second->dataControls(), std::vector<std::string>{"redact_device_info"});
  EXPECT_EQ(second->consentDefaults(), (std::map<std::string, std::string>{{"ad_storage", "granted"}}));
  EXPECT_EQ(second->corePlatformServices(), std::set<std::string>{"cps"});
  EXPECT_FALSE(second->isDMARegion());
  EXPECT_EQ(second->uploadURL()->absoluteString(), "https://eu.measurement.facility.invalid/a");
}

TEST_F(RemoteConfigTest, InstancesWithoutAppIDOrDatabase) {
  EXPECT_FALSE(APMRemoteConfig::initWithAppID("", database_, nullptr));
  EXPECT_TRUE(Logged("Cannot init remote configuration without valid Trivandel App ID"));
  EXPECT_FALSE(APMRemoteConfig::initWithAppID(kAppID, nullptr, nullptr));
  EXPECT_TRUE(Logged("Cannot init remote configuration without valid database"));

  // The engine hook answers the shared default instance until the engine installs its own.
  APMEngineHooks::reset();
  auto shared = APMEngineHooks::remoteConfig();
  EXPECT_EQ(shared, APMRemoteConfig::defaultInstance());
  EXPECT_TRUE(shared->isDefaultInstance());
  EXPECT_FALSE(Update(*shared, ConfigBuilder().Encoded()));
  EXPECT_TRUE(Logged("Cannot update the default measurement configuration"));
  EXPECT_FALSE(OnWorker([&] { return shared->measurementConfigFromDatabase(); }));
  EXPECT_TRUE(Logged("Cannot retrieve a measurement configuration from the database for the default instance"));
  EXPECT_EQ(shared->lastRemoteConfigUpdateTimestamp(), 0);
  EXPECT_TRUE(Logged("Cannot fetch the last configuration update timestamp from the default instance"));
  EXPECT_FALSE(shared->isExpired());
  EXPECT_TRUE(Logged("Cannot fetch the last update timestamp from the default configuration"));
  EXPECT_TRUE(shared->isDMARegion());
}

TEST_F(RemoteConfigTest, ADamagedStoredConfigurationLeavesTheDefaults) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder().version(5).settings({{"measurement.upload.interval", "60000"}})));
  ASSERT_TRUE(database_->sqliteStore().updateAllRecordsInTableWithName(
      "app_metadata", "remote_config_data", platform::Value::bytes("\xff\xff\xff"), nullptr));
  auto second = Make();
  EXPECT_TRUE(Logged("Cannot retrieve configuration data from database. Error"));
  EXPECT_EQ(second->version(), -1);
  EXPECT_EQ(second->uploadingInterval(), 3600);
}

TEST_F(RemoteConfigTest, RejectedUpdatesChangeNothing) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, 
      ConfigBuilder().version(1).settings({{"measurement.upload.interval", "60000"}}).Encoded()));

  EXPECT_FALSE(Update(*config, nullptr));
  EXPECT_TRUE(Logged("Cannot set empty measurement config to database"));
  EXPECT_FALSE(Update(*config, 
      ConfigBuilder("1:999:ios:other").version(2).settings({{"measurement.upload.interval", "120000"}}).Encoded()));
  EXPECT_TRUE(Logged("Cannot set measurement config when Trivandel App ID does not match"));
  // The parser ignores another app's configuration without a word.
  OnWorker([&] {
    config->parseRemoteConfigFromMeasurementConfig(
        *ConfigBuilder("1:999:ios:other").settings({{"measurement.upload.interval", "120000"}}).Encoded());
  });
  EXPECT_FALSE(Logged("Trivandel App ID"));

  EXPECT_EQ(config->version(), 1);
  EXPECT_EQ(config->uploadingInterval(), 60);
  EXPECT_EQ(Make()->version(), 1);
}

TEST_F(RemoteConfigTest, WithTheAdsOriginTheAdsAppIDMustMatchToo) {
  auto config = Make();
  APMIdentifiers::sharedInstance().setOrigin("pl");
  EXPECT_FALSE(Update(*config, ConfigBuilder().version(1).settings({{"k", "v"}}).adsAppID("ca-app-pub-1").Encoded()));
  EXPECT_TRUE(Logged("Cannot set measurement config when Pellumar App ID does not match"));
  EXPECT_FALSE(Update(*config, ConfigBuilder().version(2).settings({{"k", "v"}}).Encoded()));
  EXPECT_TRUE(Logged("Cannot set measurement config when Pellumar App ID does not match"));
  EXPECT_TRUE(Update(*config, ConfigBuilder().version(3).settings({{"k", "v"}}).adsAppID(kAppID).Encoded()));
  APMIdentifiers::sharedInstance().setOrigin("app");
  EXPECT_TRUE(Update(*config, ConfigBuilder().version(4).settings({{"k", "v"}}).adsAppID("ca-app-pub-1").Encoded()));
  EXPECT_EQ(config->version(), 4);
}

TEST_F(RemoteConfigTest, EventQueries) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .settings({{"measurement.upload.blacklist_public", "1"}})
                                                 .events({{"rate_1", {}, {}, 1},
                                                          {"rate_0", {}, {}, 0},
                                                          {"rate_70000", false, {}, 70000},
                                                          {"rate_2", {}, false, 2},
                                                          {"rate_65535", {}, {}, 65535},
                                                          {"", true, {}, {}},
                                                          {"_internal", false, {}, {}}})
                                                 .Encoded()));
  EXPECT_TRUE(Logged("Cannot cache event configuration with an empty configuration name"));
  const struct {
    const char* name;
    bool hasRate;
    int32_t rate;
  } rates[] = {{"rate_1", true, 1},     {"rate_0", true, 1},         {"rate_70000", true, 1},
               {"rate_2", true, 2},     {"rate_65535", true, 65535}, {"unconfigured", false, 1}};
  for (const auto& r : rates) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(config->eventHasSamplingRate(r.name), r.hasRate);
    EXPECT_EQ(config->samplingRateForEvent(r.name), r.rate);
    EXPECT_FALSE(config->isEventCustomConversion(r.name));
  }
  // Public names follow the public block list, internal ones the internal list.
  EXPECT_TRUE(config->isEventBlocklisted("rate_70000"));
  EXPECT_TRUE(config->isEventBlocklisted("unconfigured"));
  EXPECT_FALSE(config->isEventBlocklisted("_internal"));
  EXPECT_FALSE(config->isEventBlocklisted("_other"));
  EXPECT_FALSE(config->eventConfigWithName(""));
  EXPECT_TRUE(Logged("Cannot find event config with empty event name"));
}

TEST_F(RemoteConfigTest, ExpiresAfterTheCacheTime) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder().Encoded()));
  clock_->advance(3599);
  EXPECT_FALSE(config->isExpired());
  clock_->advance(1);
  EXPECT_TRUE(config->isExpired());
  // A stored time in the future counts by its distance too.
  clock_->advance(-7200 - 1);
  EXPECT_TRUE(config->isExpired());
}

TEST_F(RemoteConfigTest, ConsentDataMapsKnownCodesAndStaysWithoutNewConsentData) {
  auto config = Make();
  EXPECT_TRUE(config->isDMARegion());
  ASSERT_TRUE(Update(*config, 
      ConfigBuilder()
          .settings({{"k", "v"}})
          .consent({{1, 2}, {2, 1}, {4, 2}, {5, 1}, {3, 3}, {0, 1}}, {{3, 1}, {3, 7}, {9, 1}, {4, 2}},
                   {"svc_a", "", "svc_b"}, false)
          .Encoded()));
  const std::map<std::string, std::string> defaults{
      {"ad_storage", "denied"}, {"analytics_storage", "granted"}, {"ad_personalization", "denied"}};
  const std::map<std::string, std::string> delegations{{"ad_user_data", "ad_storage"},
                                                       {"ad_personalization", "analytics_storage"}};
  EXPECT_EQ(config->consentDefaults(), defaults);
  EXPECT_EQ(config->consentDelegations(), delegations);
  EXPECT_EQ(config->corePlatformServices(), (std::set<std::string>{"svc_a", "svc_b"}));
  EXPECT_FALSE(config->isDMARegion());

  ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "w"}}).Encoded()));
  EXPECT_EQ(config->consentDefaults(), defaults);
  EXPECT_EQ(config->consentDelegations(), delegations);
  EXPECT_FALSE(config->isDMARegion());
}

TEST_F(RemoteConfigTest, PsmNumbersAreUsedAsSent) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .settings({{"measurement.psm_prefix_phone", "12"},
                                                            {"measurement.psm_signin_delay", "30"}})
                                                 .psm(30, std::nullopt, 3)
                                                 .Encoded()));
  EXPECT_EQ(config->hashPrefixBitLengthEmail(), 30);  // above the setting's range of 6..20
  EXPECT_EQ(config->hashPrefixBitLengthPhone(), 12);  // absent in the PSM message: the setting holds
  EXPECT_EQ(config->maxSignInDelayInDays(), 3);
}

TEST_F(RemoteConfigTest, ProgramsReadTheSettingsCacheAndTheAppMetadata) {
  // Read by the shared identity when it is made, on the program's first run.
  platform::Bundle::main().setInfoDictionaryOverride(
      platform::Value::Dictionary{{"CFBundleShortVersionString", platform::Value("4.5.6")}});
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .settings({{"measurement.upload.interval", "60000"},
                                                            {"measurement.upload.debug_upload_interval", "1500"}})
                                                 .programs({kModulesProgram})
                                                 .Encoded()));
  auto before = Edit(*config);
  EXPECT_EQ(before.at("interval").stringValue(), "v:60000");
  EXPECT_EQ(before.at("debug").stringValue(), "v:1500");
  EXPECT_EQ(before.at("missing").stringValue(), "v:unset");
  EXPECT_EQ(before.at("platform").stringValue(), "ios");
  EXPECT_EQ(before.at("kvl").doubleValue(), kAPMMeasurementLibraryVersion);
  EXPECT_EQ(before.at("package").stringValue(), APMMainBundle::bundleIdentifier());
  EXPECT_EQ(before.at("app_version").stringValue(), "v:4.5.6");
  platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);

  // Resolved settings are read in their resolved form: integers in decimal,
  // other numbers in their shortest text.
  EXPECT_EQ(config->uploadingInterval(), 60);
  EXPECT_EQ(config->uploadingDebugModeInterval(), 1.5);
  EXPECT_EQ(config->maxEventsPerDay(), 100000);
  auto after = Edit(*config);
  EXPECT_EQ(after.at("interval").stringValue(), "v:60");
  EXPECT_EQ(after.at("debug").stringValue(), "v:1.5");

  // A second instance loads the same program from the database.
  auto second = Make();
  EXPECT_EQ(Edit(*second).at("interval").stringValue(), "v:60000");
}

TEST_F(RemoteConfigTest, AFailingProgramLeavesEditingOffAndTheRestStillApplies) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "v"}}).programs({kModulesProgram}).Encoded()));
  ASSERT_TRUE(config->eventEditing());
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .settings({{"k", "v"}})
                                                 .programs({kFailingProgram, kModulesProgram})
                                                 .dataControls({"redact_ip"})
                                                 .consent({{2, 2}}, {}, {}, false)
                                                 .psm(8, {}, {})
                                                 .Encoded()));
  EXPECT_TRUE(Logged("Failed to initiate event editing instance"));
  EXPECT_FALSE(config->eventEditing());
  EXPECT_EQ(config->dataControls(), std::vector<std::string>{"redact_ip"});
  EXPECT_EQ(config->consentDefaults(), (std::map<std::string, std::string>{{"analytics_storage", "denied"}}));
  EXPECT_FALSE(config->isDMARegion());
  EXPECT_EQ(config->hashPrefixBitLengthEmail(), 8);
}

TEST_F(RemoteConfigTest, AConfigurationWithoutSettingsKeepsThemButAppliesTheRest) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .settings({{"measurement.upload.interval", "60000"}})
                                                 .events({{"my_event", {}, {}, 5}})
                                                 .dataControls({"old"})
                                                 .Encoded()));
  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .programs({kModulesProgram})
                                                 .dataControls({"new"})
                                                 .consent({{1, 2}}, {}, {}, false)
                                                 .psm(9, {}, {})
                                                 .Encoded()));
  EXPECT_TRUE(Logged("Cannot parse empty measurement config. Using default values"));
  EXPECT_EQ(config->uploadingInterval(), 60);
  EXPECT_EQ(config->samplingRateForEvent("my_event"), 5);
  EXPECT_TRUE(config->eventEditing());
  EXPECT_EQ(config->dataControls(), std::vector<std::string>{"new"});
  EXPECT_EQ(config->consentDefaults(), (std::map<std::string, std::string>{{"ad_storage", "denied"}}));
  EXPECT_EQ(config->hashPrefixBitLengthEmail(), 9);
}

TEST_F(RemoteConfigTest, AConfigurationWithoutProgramsWithdrawsEditingButResetKeepsIt) {
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "v"}}).programs({kModulesProgram}).Encoded()));
  ASSERT_TRUE(config->eventEditing());
  ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "v"}}).Encoded()));
  EXPECT_FALSE(config->eventEditing());

  ASSERT_TRUE(Update(*config, ConfigBuilder()
                                                 .version(3)
                                                 .settings({{"measurement.upload.interval", "60000"}})
                                                 .programs({kModulesProgram})
                                                 .dataControls({"d"})
                                                 .consent({{1, 1}}, {{3, 1}}, {"s"}, false)
                                                 .Encoded()));
  config->reset();
  EXPECT_TRUE(config->eventEditing());
  EXPECT_EQ(config->version(), -1);
  EXPECT_EQ(config->uploadingInterval(), 3600);
  EXPECT_TRUE(config->dataControls().empty());
  EXPECT_TRUE(config->consentDefaults().empty());
  EXPECT_TRUE(config->consentDelegations().empty());
  EXPECT_TRUE(config->corePlatformServices().empty());
  EXPECT_TRUE(config->isDMARegion());
  // The kept program still reads the cache it was loaded with.
  EXPECT_EQ(Edit(*config).at("interval").stringValue(), "v:60000");
}

TEST_F(RemoteConfigTest, UploadHostPrefixMustBeAHostName) {
  const std::string label63(63, 'a');
  const std::string label64(64, 'a');
  const struct {
    std::string prefix;
    std::string url;
    bool reported;
  } cases[] = {
      {"eu", "https://eu.measurement.facility.invalid/a", false},
      {"a.b-c", "https://a.b-c.measurement.facility.invalid/a", false},
      {label63 + ".x", "https://" + label63 + ".x.measurement.facility.invalid/a", false},
      {"", "https://measurement.facility.invalid/a", false},
      {"evil.example/x?", "https://measurement.facility.invalid/a", true},
      {"-a", "https://measurement.facility.invalid/a", true},
      {"a-", "https://measurement.facility.invalid/a", true},
      {"a..b", "https://measurement.facility.invalid/a", true},
      {label64, "https://measurement.facility.invalid/a", true},
      {"b\xC3\xA9", "https://measurement.facility.invalid/a", true},
  };
  auto config = Make();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "v"}}).uploadHostPrefix(c.prefix).Encoded()));
    APMMeasurementMonitor().clearMonitoringData();
    EXPECT_EQ(config->uploadURL()->absoluteString(), c.url);
    EXPECT_EQ(config->uploadURL()->absoluteString(), c.url);
    // Reported once per parsed configuration, however often the URL is built.
    EXPECT_EQ(MonitoredLines(), c.reported ? 1 : 0);
    EXPECT_EQ(Logged("Ignoring invalid upload host prefix. Prefix"), c.reported);
  }
  EXPECT_FALSE(APMRemoteConfig::isValidUploadHostPrefix(std::string(254, 'a')));
  EXPECT_FALSE(APMRemoteConfig::isValidUploadHostPrefix(label63 + "." + label63 + "." + label63 + "." + label63));
  EXPECT_TRUE(APMRemoteConfig::isValidUploadHostPrefix(label63 + "." + label63 + "." + label63 + "." +
                                                       std::string(61, 'b')));
}

TEST_F(RemoteConfigTest, FetchURL) {
  auto config = Make();
  const std::string base = "https://measurement.facility.invalid/config/app/1:1234567890:ios:00aa11bb22cc?";
  EXPECT_EQ(config->remoteConfigURLWithAppInstanceID("0A1B", "ios", 101700, 7)->absoluteString(),
            base + "app_instance_id=0A1B&kvl_version=101700&platform=ios&runtime_version=7");

  EXPECT_FALSE(config->remoteConfigURLWithAppInstanceID(std::nullopt, "ios", 101700, 7));
  EXPECT_TRUE(Logged("Cannot create a URL to fetch a configuration with empty app instance ID or empty platform"));
  EXPECT_FALSE(config->remoteConfigURLWithAppInstanceID("0A1B", std::nullopt, 101700, 7));

  // Analytics storage denied: no app instance ID is sent, even when one is known.
  APMConsentSettingsUtil::setConsentSettings(APMConsentSettingsUtil::Settings{{"analytics_storage", "denied"}});
  EXPECT_EQ(config->remoteConfigURLWithAppInstanceID(std::nullopt, "ios", 101700, 7)->absoluteString(),
            base + "app_instance_id=&kvl_version=101700&platform=ios&runtime_version=7");
  EXPECT_EQ(config->remoteConfigURLWithAppInstanceID("0A1B", "ios", 101700, 7)->absoluteString(),
            base + "app_instance_id=&kvl_version=101700&platform=ios&runtime_version=7");

  // The app ID stays one path segment.
  auto odd = Make("a/b?c");
  EXPECT_EQ(odd->remoteConfigURLWithAppInstanceID("x", "ios", 1, 2)->absoluteString(),
            "https://measurement.facility.invalid/config/app/a%2Fb%3Fc?app_instance_id=&kvl_version=1&platform=ios&"
            "runtime_version=2");
}

TEST_F(RemoteConfigTest, TheDeploymentNamesTheMeasurementHost) {
  std::string path = root_.path() + "/deployment.plist";
  ASSERT_TRUE(platform::PropertyList::writeFile(
                  path, platform::Value(platform::Value::Dictionary{
                            {"MeasurementServiceHost", platform::Value("measurement.example.test:8443")}}))
                  .ok());
  platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("FACILITY_DEPLOYMENT", path);
  platform::Deployment::resetForTesting();
  auto config = Make();
  ASSERT_TRUE(Update(*config, ConfigBuilder().settings({{"k", "v"}}).uploadHostPrefix("eu").Encoded()));
  EXPECT_EQ(config->uploadURL()->absoluteString(), "https://eu.measurement.example.test:8443/a");
  EXPECT_EQ(config->remoteConfigURLWithAppInstanceID("I", "ios", 1, 2)->absoluteString(),
            "https://measurement.example.test:8443/config/app/1:1234567890:ios:00aa11bb22cc?app_instance_id=I&kvl_version=1&"
            "platform=ios&runtime_version=2");
  platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("FACILITY_DEPLOYMENT", std::nullopt);
  platform::Deployment::resetForTesting();
}

}  // namespace
