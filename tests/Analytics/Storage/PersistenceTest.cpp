#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/APMPersistentDictionary.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"

extern char** environ;

namespace {

using platform::Value;

class CountingStore : public APMKeyValueStore {
 public:
  std::optional<Value> objectForKey(std::string_view key) const override {
    auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  platform::Status setObject(const Value& value, std::string_view key) override {
    if (value.isNull()) {
      values.erase(std::string(key));
    } else {
      values[std::string(key)] = value;
    }
    return platform::Status::OK();
  }
  void removeObjectForKey(std::string_view key) override { values.erase(std::string(key)); }
  void clearAllData() override { values.clear(); }
  bool synchronize() override {
    ++synchronizations;
    return true;
  }
  Value::Dictionary values;
  std::atomic<int> synchronizations{0};
};

class PersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    APMEngineHooks::reset();
  }
  void TearDown() override {
    APMMeasurementMonitor().waitForPendingWork();
    platform::Clock::setCurrent(nullptr);
    APMEngineHooks::reset();
  }
  platform::TemporaryDataRoot root_;
  std::shared_ptr<platform::ManualClock> clock_;
};

TEST_F(PersistenceTest, BurstOfWritesFlushesOnceASecondAfterTheLast) {
  auto store = std::make_shared<CountingStore>();
  auto config = APMPersistedConfig::initWithSuiteName("suite", store);
  for (int i = 0; i < 10; ++i) {
    config->setSessionNumber(i);
    clock_->runFor(0.09);
  }
  EXPECT_EQ(store->synchronizations.load(), 0);
  clock_->runFor(0.85);  // 0.94 s after the last write
  EXPECT_EQ(store->synchronizations.load(), 0);
  clock_->runFor(0.1);
  EXPECT_EQ(store->synchronizations.load(), 1);
  clock_->runFor(5);
  EXPECT_EQ(store->synchronizations.load(), 1);
  EXPECT_EQ(config->sessionNumber(), 9);
}

TEST_F(PersistenceTest, TypedPropertiesAndMissingValues) {
  auto store = std::make_shared<CountingStore>();
  auto config = APMPersistedConfig::initWithSuiteName("suite", store);
  EXPECT_EQ(config->sessionNumber(), 0);
  EXPECT_FALSE(config->appInstanceID());
  config->setAppInstanceID(std::string("abc"));
  EXPECT_EQ(config->appInstanceID(), "abc");
  store->values["/trivandel/measurement/session_number"] = Value("7");
  EXPECT_EQ(config->sessionNumber(), 0);
  config->setSearchAdCampaignValue(Value("yes"));
  EXPECT_FALSE(config->searchAdCampaignValue());
  config->setSearchAdCampaignValue(Value(1));
  EXPECT_EQ(config->searchAdCampaignValue(), Value(1));
  double offset = config->midnightOffset();
  EXPECT_GE(offset, 0);
  EXPECT_LT(offset, 86400);
  EXPECT_EQ(config->midnightOffset(), offset);
  config->setUnmatchedFirstOpenWithoutIDFA(true);
  EXPECT_EQ(store->values.at("/trivandel/measurement/unmatched_first_open"), Value(1));
  config->setMeasurementEnabledState(2);
  EXPECT_EQ(config->measurementEnabledState(), 2);
  EXPECT_EQ(store->values.count("/trivandel/measurement/measurement_enabled_state"), 0u);
  EXPECT_EQ(APMUserDefaults::standardUserDefaults().integerForKey("/trivandel/measurement/measurement_enabled_state"), 2);
  config->clearValues();
  EXPECT_FALSE(config->appInstanceID());
}

TEST_F(PersistenceTest, StorageLocationFollowsTheFlag) {
  {
    auto config = APMPersistedConfig::initWithSuiteName(APMPersistedConfig::kSuiteName);
    config->setAppInstanceID(std::string("id-1"));
  }
  EXPECT_TRUE(platform::FileManager::defaultManager().fileExistsAtPath(
      APMPreferencesPlistPath(APMPersistedConfig::kSuiteName)));
  APMEngineHooks::setPersistentConfigInApplicationSupportEnabled(true);
  {
    auto config = APMPersistedConfig::initWithSuiteName(APMPersistedConfig::kSuiteName);
    EXPECT_EQ(config->appInstanceID(), "id-1");
    config->setAppVersion(std::string("2.0"));
  }
  EXPECT_TRUE(platform::FileManager::defaultManager().fileExistsAtPath(
      APMMeasurementPlistPath(APMPersistedConfig::kSuiteName)));
  APMEngineHooks::setPersistentConfigInApplicationSupportEnabled(false);
  auto config = APMPersistedConfig::initWithSuiteName(APMPersistedConfig::kSuiteName);
  EXPECT_EQ(config->appInstanceID(), "id-1");
  EXPECT_EQ(config->appVersion(), "2.0");
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(
      APMMeasurementPlistPath(APMPersistedConfig::kSuiteName)));
}

TEST_F(PersistenceTest, MovingBackKeepsTheSourceUntilTheDefaultsHoldIt) {
  auto& files = platform::FileManager::defaultManager();
  const std::string suite = "apm.move.back";
  const std::string source = APMMeasurementPlistPath(suite);
  const std::string target = APMPreferencesPlistPath(suite);
  files.createDirectoryAtPath(source.substr(0, source.rfind('/')), true);
  ASSERT_TRUE(platform::PropertyList::writeFile(source, Value(Value::Dictionary{{"k", Value("v")}})).ok());
  // A directory where the preferences file belongs makes the write fail.
  files.createDirectoryAtPath(target, true);
  EXPECT_FALSE(APMMovePersistedConfigToUserDefaults(suite));
  EXPECT_TRUE(files.fileExistsAtPath(source));
  files.removeItemAtPath(target);
  EXPECT_TRUE(APMMovePersistedConfigToUserDefaults(suite));
  EXPECT_FALSE(files.fileExistsAtPath(source));
  EXPECT_EQ(platform::UserDefaults::suite(suite).stringObjectForKey("k"), "v");
}

TEST_F(PersistenceTest, PersistentDictionaryWritesOnceAfterABurst) {
  auto dictionary = APMPersistentDictionary::initWithFileName("store");
  ASSERT_TRUE(dictionary);
  dictionary->setObject(Value(1), "a");
  dictionary->setObject(Value(2), "b");
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(dictionary->filePath()));
  clock_->runFor(1.0);
  auto written = platform::PropertyList::readFile(dictionary->filePath());
  ASSERT_TRUE(written.ok());
  EXPECT_EQ(written->getDictionary()->size(), 2u);
  // The same value again schedules nothing.
  platform::FileManager::defaultManager().removeItemAtPath(dictionary->filePath());
  dictionary->setObject(Value(2), "b");
  clock_->runFor(2.0);
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(dictionary->filePath()));
  // A pending change is written on destruction.
  dictionary->removeObjectForKey("a");
  std::string path = dictionary->filePath();
  dictionary.reset();
  auto reopened = APMPersistentDictionary::initWithFileName("store.plist");
  EXPECT_FALSE(reopened->objectForKey("a"));
  EXPECT_EQ(reopened->integerForKey("b"), 2);
  EXPECT_FALSE(reopened->stringForKey("b"));
  EXPECT_EQ(APMPersistentDictionary::initWithFileName(""), nullptr);
}

TEST_F(PersistenceTest, PersistentDictionaryWithGarbageStartsEmptyAndRefusesNulls) {
  std::string path = APMMeasurementPlistPath("junk");
  platform::FileManager::defaultManager().createDirectoryAtPath(path.substr(0, path.rfind('/')), true);
  { std::ofstream(path) << "not a plist"; }
  auto dictionary = APMPersistentDictionary::initWithFileName("junk");
  EXPECT_FALSE(dictionary->objectForKey("x"));
  platform::LogCapture capture;
  dictionary->setObject(Value("kept"), "x");
  dictionary->setObject(Value(Value::Array{Value()}), "x");
  EXPECT_TRUE(capture.contains("[I-ACS043003] Cannot set invalid object to config."));
  EXPECT_EQ(dictionary->stringForKey("x"), "kept");
}

TEST_F(PersistenceTest, ARefusedDictionaryIsReportedThroughTheMonitor) {
  struct Case {
    const char* name;
    std::shared_ptr<APMKeyValueStore> store;
    const char* storeLine;
  };
  const Case cases[] = {
      {"persistent dictionary", APMPersistentDictionary::initWithFileName("refusing"), "[I-ACS043003]"},
      {"user defaults", std::make_shared<APMUserDefaults>(std::string("com.example.refusing")), "[I-ACS041003]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto config = APMPersistedConfig::initWithSuiteName("refusing", c.store);
    platform::LogCapture capture;
    config->setDefaultEventParameters(Value::Dictionary{{"ok", Value(1)}});
    APMMeasurementMonitor().waitForPendingWork();
    EXPECT_FALSE(capture.contains("I-ACS027002"));
    config->setDefaultEventParameters(Value::Dictionary{{"nested", Value(Value::Array{Value()})}});
    APMMeasurementMonitor().waitForPendingWork();
    EXPECT_TRUE(capture.contains(c.storeLine));
    EXPECT_TRUE(capture.contains("[I-ACS027002] Unsupported value passed in dictionary"));
    EXPECT_EQ(config->defaultEventParameters(), (Value::Dictionary{{"ok", Value(1)}}));
  }
}

TEST_F(PersistenceTest, UserDefaultsKeysAndConversions) {
  platform::LogCapture capture;
  APMUserDefaults defaults(std::string("com.example.suite"));
  defaults.setObject(Value(1), "");
  EXPECT_TRUE(capture.contains("<VurAvizivozora>[I-ACS041002] Cannot set object for invalid user default key."));
  defaults.setObject(Value("12"), "s");
  EXPECT_EQ(defaults.integerForKey("s"), 0);
  defaults.setInteger(5, "n");
  EXPECT_FALSE(defaults.stringForKey("n"));
  EXPECT_TRUE(defaults.boolForKey("n"));
  defaults.clearAllData();
  EXPECT_FALSE(defaults.objectForKey("n"));
  APMUserDefaults empty(std::string(""));
  empty.setObject(Value("x"), "k");
  EXPECT_EQ(*platform::UserDefaults::standard().stringObjectForKey("k"), "x");
  EXPECT_EQ(*APMPublicToInternalUserPropertyNames().at("first_open_time").getString(), "_fot");
  EXPECT_EQ(APMPublicToInternalUserPropertyNames().count("_fot"), 0u);
}

// Run as a separate process by the test below.
TEST(PreferenceSuiteChild, WritesTheSuite) {
  if (std::getenv("APM_PREFERENCE_CHILD") == nullptr) GTEST_SKIP();
  APMUserDefaults defaults(std::string("com.trivandel.kvl.measurement.shared"));
  defaults.setObject(Value("from child"), "message");
  defaults.synchronize();
}

TEST_F(PersistenceTest, PreferenceSuitesSurviveASecondProcess) {
  std::string home = "FACILITY_HOME=" + root_.path();
  std::string flag = "APM_PREFERENCE_CHILD=1";
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).rfind("FACILITY_HOME=", 0) != 0) env.push_back(*e);
  }
  env.push_back(home.data());
  env.push_back(flag.data());
  env.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=PreferenceSuiteChild.*";
  std::string brief = "--gtest_brief=1";
  char* argv[] = {self.data(), filter.data(), brief.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, env.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  APMUserDefaults defaults(std::string("com.trivandel.kvl.measurement.shared"));
  EXPECT_EQ(defaults.stringForKey("message"), "from child");
}

}  // namespace
