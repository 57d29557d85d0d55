#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMASLLogger.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitoringSampledData.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/TrivandelUtilities/TVULogger.h"

namespace {

struct LoggedLine {
  std::string message;
  std::string tag;
  int64_t code;
  int64_t level;
};

class RecordingLogger : public APMASLLogger {
 public:
  void logMessage(std::string_view message, std::string_view logTag, int64_t messageCode,
                  int64_t withLogLevel) override {
    std::lock_guard<std::mutex> lock(mu);
    lines.push_back({std::string(message), std::string(logTag), messageCode, withLogLevel});
  }
  std::vector<LoggedLine> take() {
    std::lock_guard<std::mutex> lock(mu);
    return std::move(lines);
  }
  std::mutex mu;
  std::vector<LoggedLine> lines;
};

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ProcessInfo::processInfo().setArgumentsForTesting({"test"});
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
  }
  void TearDown() override {
    APMMeasurementMonitor().waitForPendingWork();
    platform::ProcessInfo::processInfo().resetForTesting();
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
    platform::Clock::setCurrent(nullptr);
  }
  // Lines of the shared monitor still queued from earlier tests must not
  // reach this test's data root, so they are written before it is made.
  struct Drained {
    Drained() { APMMeasurementMonitor().waitForPendingWork(); }
  } drained_;
  platform::TemporaryDataRoot root_;
  std::shared_ptr<platform::ManualClock> clock_;
};

TEST(MonitorFormatTest, EncodesContextsForTheHealthRecord) {
  std::vector<APMLogContext> contexts{nullptr, 5, 150, -150, "user value"};
  EXPECT_EQ(APMMonitor::encodedStringWithContextArray(contexts, false), ",5,100...999,-999...-100,-");
  EXPECT_EQ(APMMonitor::encodedStringWithContextArray(contexts, true), ", 5, 100...999, -999...-100, -");
  EXPECT_EQ(APMMonitor::encodedStringWithContextArray({}, true), "");
}

TEST(MonitorFormatTest, NumberBuckets) {
  struct Case {
    APMLogContext value;
    const char* encoded;
  };
  const Case cases[] = {
      {0, "0"},
      {99, "99"},
      {-99, "-99"},
      {100, "100...999"},
      {12345, "10000...99999"},
      {-12345, "-99999...-10000"},
      {999, "100...999"},
      {1000, "1000...9999"},
      {int64_t{999999999999999}, "100000000000000...999999999999999"},
      {int64_t{1000000000000000}, "1000000000000000...9999999999999999"},
      {int64_t{999999999999999999}, "100000000000000000...999999999999999999"},
      {int64_t{1000000000000000000}, "1000000000000000000...9999999999999999999"},
      {std::numeric_limits<int64_t>::max(), "1000000000000000000...9999999999999999999"},
      {std::numeric_limits<int64_t>::min(), "-9999999999999999999...-1000000000000000000"},
      {2.9, "2"},
      {true, "1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(APMMonitor::encodedStringWithContextObject(c.value), c.encoded) << c.value.description();
  }
}

TEST(MonitorFormatTest, EncodesOtherKinds) {
  EXPECT_EQ(APMMonitor::encodedStringWithContextObject(APMError::apm_errorWithCode(3, "x")),
            "com.trivandel.kvl.measurement.ErrorDomain");
  EXPECT_EQ(APMMonitor::encodedStringWithContextObject(APMError("", 1)), "-");
  EXPECT_EQ(APMMonitor::encodedStringWithContextObject(APMLogContext::className("Foo")), "?");
  EXPECT_EQ(APMMonitor::encodedStringWithContextObject(APMLogContext::object("Set", "{1}")), "?");
  EXPECT_EQ(APMMonitor::encodedStringWithContextObject(APMLogContext::exception("E", "why")), "E");
}

TEST(MonitorFormatTest, LastEngineSymbolOfAnException) {
  std::vector<std::string> frames{
      "0   CoreFoundation  0x0001 __exceptionPreprocess + 1",
      "1   libobjc.A.dylib 0x0002 objc_exception_throw + 2",
      "2   Foundation      0x0003 -[NSObject doThing:] + 3",
      "3   short line",
      "4   App             0x0004 -[APMDatabase open] + 4",
      "5   App             0x0005 -[APMOther run] + 5",
  };
  auto exception = APMLogContext::exception("NSRangeException", "out of range", frames);
  EXPECT_EQ(APMMonitor::lastAPMSymbolFromException(exception), "-[APMDatabase open]");
  std::vector<std::string> plusSymbol{"a", "b", "2   App  0x1 apm_function + 12"};
  EXPECT_EQ(APMMonitor::lastAPMSymbolFromException(APMLogContext::exception("N", "r", plusSymbol)),
            "apm_function");
  EXPECT_EQ(APMMonitor::lastAPMSymbolFromException(APMLogContext::exception("Name", "r", {"one"})),
            "Name");
  EXPECT_EQ(APMMonitor::lastAPMSymbolFromException(APMLogContext::exception("Name", "r", {"a", "b", "c"})),
            "Name");
}

TEST(MonitorFormatTest, ConsoleText) {
  EXPECT_EQ(APMMonitor::stringWithLogMessage(std::string_view{}, 1, {}, false), "(Message was nil)");
  EXPECT_EQ(APMMonitor::stringWithLogMessage("", 1, {}, false), "(Message was empty)");
  EXPECT_EQ(APMMonitor::stringWithLogMessage("Hello", 1, {}, false), "Hello");
  std::vector<APMLogContext> contexts{nullptr, "name", 42, APMLogContext::className("APMValue")};
  EXPECT_EQ(APMMonitor::stringWithLogMessage("Value", 1, contexts, false), "Value: (nil), name, 42, APMValue");
  EXPECT_EQ(APMMonitor::stringWithLogMessage("Value", 1, contexts, true), "Value: , -, 42, ?");
  std::vector<APMLogContext> exception{
      APMLogContext::exception("E", "bad index", {"0", "1", "2 App 0x1 -[APMStore run] + 1"})};
  EXPECT_EQ(APMMonitor::stringWithLogMessage("Boom", 1, exception, false), "Boom: -[APMStore run]: bad index");
  EXPECT_EQ(APMMonitor::stringWithLogMessage("x", 1, {APMLogContext::object("Thing", "", reinterpret_cast<const void*>(0x10))},
                                             false),
            "x: <Thing 0x10>");
}

TEST(MonitorFormatTest, LevelTablesAndKeys) {
  struct Row {
    int64_t level;
    const char* name;
    int outside;
    bool silent;
    bool monitorable;
    char letter;
  };
  const Row rows[] = {
      {0, "ERROR", 3, false, false, 'E'},  {1, "ERROR", 3, false, true, 'E'},
      {2, "ERROR", 3, true, true, 'E'},    {3, "WARNING", 4, false, false, 'W'},
      {4, "WARNING", 4, false, true, 'W'}, {5, "WARNING", 4, true, true, 'W'},
      {6, "NOTICE", 5, false, false, '?'}, {7, "DEBUG", 7, false, false, '?'},
      {8, nullptr, 7, false, false, '?'},  {9, nullptr, 4, true, true, '?'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    auto name = APMMonitor::logLevelDescriptionFromLogLevel(row.level);
    if (row.name) {
      EXPECT_EQ(name, row.name);
    } else {
      EXPECT_FALSE(name.has_value());
    }
    EXPECT_EQ(APMASLLogger::TVULoggerLevelFromLogLevel(row.level), row.outside);
    EXPECT_EQ(APMMonitor::isSilentLevel(row.level), row.silent);
    EXPECT_EQ(APMMonitor::isMonitorableLevel(row.level), row.monitorable);
    EXPECT_EQ(APMMonitor::monitoringDataKeyWithMessage("M", row.level, 7)[1], row.letter);
  }
  EXPECT_EQ(APMMonitor::monitoringDataKeyWithMessage("Failed", 5, 110700), "1W_110700:Failed");
}

TEST(MonitorFormatTest, ErrorMonitorContextsJoinMeasurementErrorsOnly) {
  std::vector<APMLogContext> contexts{APMError::apm_errorWithCode(3, "d", "db"), APMError("other", 1, "d", "x"),
                                      APMError::apm_errorWithCode(3, "d"),
                                      APMError::apm_errorWithCode(3, "d", "disk")};
  EXPECT_EQ(APMMonitor::errorMonitorContexts(contexts), "db,disk");
  EXPECT_EQ(APMMonitor::errorMonitorContexts({1, "x"}), "");
}

TEST(LogAdapterTest, GoldenLines) {
  APMMeasurementMonitor().waitForPendingWork();
  platform::LogCapture capture;
  platform::TVUSetLoggerLevel(platform::kTVULoggerLevelDebug);
  APMASLLogger logger;
  logger.logMessage("Started", "<VurAvizivozora>", 25018, 6);
  logger.logMessage("Cannot set", "<VurAvizivozora>", 41002, 4);
  logger.logMessage("100% done", "<VurAvizivozora>", 1, 1);
  platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
  auto entries = capture.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text, "<VurAvizivozora>[I-ACS025018] Started");
  EXPECT_EQ(entries[0].level, platform::LogLevel::kNotice);
  EXPECT_EQ(entries[1].text, "<VurAvizivozora>[I-ACS041002] Cannot set");
  EXPECT_EQ(entries[1].level, platform::LogLevel::kWarning);
  EXPECT_EQ(entries[2].text, "<VurAvizivozora>[I-ACS000001] 100% done");
  EXPECT_EQ(entries[2].level, platform::LogLevel::kError);
}

TEST(LogAdapterTest, DebugLinesAreForcedOthersFollowTheLoggerLevel) {
  APMMeasurementMonitor().waitForPendingWork();
  platform::LogCapture capture;
  APMASLLogger logger;
  logger.logMessage("debug", "T", 1, 7);    // forced
  logger.logMessage("verbose", "T", 2, 8);  // debug level, not forced
  logger.logMessage("nine", "T", 3, 9);     // warning level
  auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "T[I-ACS000001] debug");
  EXPECT_EQ(lines[1], "T[I-ACS000003] nine");
}

TEST_F(MonitorTest, LoggableLevelsReachTheConsoleWithTheTag) {
  auto logger = std::make_shared<RecordingLogger>();
  APMMonitor monitor(6, logger, 101700);
  monitor.logWithLevel(1, 23000, "Error line", 5);
  monitor.logWithLevel(2, 23001, "Record only");
  monitor.logWithLevel(7, 23002, "Debug hidden");
  monitor.setLogTag("<Custom>");
  monitor.logWithLevel(3, 23003, "Warning");
  monitor.waitForPendingWork();
  auto lines = logger->take();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].message, "Error line: 5");
  EXPECT_EQ(lines[0].tag, "<VurAvizivozora>");
  EXPECT_EQ(lines[0].code, 23000);
  EXPECT_EQ(lines[1].tag, "<Custom>");
}

TEST_F(MonitorTest, MonitorableLevelsUpdateTheHealthRecord) {
  auto logger = std::make_shared<RecordingLogger>();
  APMMonitor monitor(6, logger, 101700);
  monitor.logWithLevel(2, 23001, "Record only", nullptr, 5, APMError::apm_errorWithCode(3, "x", "db"));
  auto record = monitor.sampledDataForTesting();
  ASSERT_TRUE(record.has_value());
  const auto& array = *record->getArray();
  EXPECT_EQ(*array[0].getString(), ",5,com.trivandel.kvl.measurement.ErrorDomain,db");
  EXPECT_EQ(array[1].getInt(), 1);
  EXPECT_EQ(*array[2].getString(), "1E_101700:Record only");
  EXPECT_TRUE(logger->take().empty());
  // Persisted in the monitor suite: a new monitor loads it.
  APMMonitor second(6, logger, 101700);
  auto loaded = second.sampledDataForTesting();
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(*loaded, *record);
}

TEST_F(MonitorTest, VerboseLevelIsDroppedUnlessVerboseLoggingIsOn) {
  auto logger = std::make_shared<RecordingLogger>();
  APMMonitor monitor(6, logger, 1);
  monitor.logWithLevel(8, 1, "verbose");
  monitor.logWithLevel(9, 2, "above verbose");
  EXPECT_FALSE(monitor.sampledDataForTesting().has_value());
  monitor.setVerboseLoggingEnabled(true);
  EXPECT_EQ(monitor.logLevel(), 8);
  monitor.logWithLevel(8, 3, "verbose");
  monitor.waitForPendingWork();
  auto lines = logger->take();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].message, "Verbose logging is on");
  EXPECT_EQ(lines[0].code, 24003);
  EXPECT_EQ(lines[1].code, 3);
  monitor.setVerboseLoggingEnabled(false);
  EXPECT_EQ(monitor.logLevel(), 6);
  EXPECT_EQ(platform::TVULoggerCurrentLevel(), 5);
}

TEST_F(MonitorTest, StoredDebugModeTurnsOnAtTheNextLaunch) {
  {
    APMMonitor monitor(1);
    monitor.setDebugModeEnabled(true);
  }
  platform::TVUSetLoggerLevel(5);
  auto logger = std::make_shared<RecordingLogger>();
  APMMonitor monitor(6, logger, 1);
  EXPECT_TRUE(monitor.isDebugModeEnabled());
  EXPECT_EQ(monitor.logLevel(), 7);
  EXPECT_EQ(platform::TVULoggerCurrentLevel(), 7);
  monitor.waitForPendingWork();
  auto lines = logger->take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].message, "Debug mode is on");
  EXPECT_EQ(lines[0].code, 24000);
  EXPECT_EQ(lines[0].level, 7);
  monitor.setDebugModeEnabled(false);
  EXPECT_FALSE(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/debug_mode"));
}

TEST_F(MonitorTest, SwitchingOffArgumentsWinAndDeferToTheCoreLogger) {
  APMUserDefaults::standardUserDefaults().setBool(true, "/trivandel/measurement/debug_mode");
  platform::ProcessInfo::processInfo().setArgumentsForTesting(
      {"app", "-QRVDebugEnabled", "-QRVDebugDisabled"});
  platform::ClassRegistry::shared().registerClass("QRVConfiguration");
  platform::TVUSetLoggerLevel(6);
  APMMonitor monitor(1);
  EXPECT_FALSE(monitor.isDebugModeEnabled());
  EXPECT_EQ(monitor.logLevel(), 6);
  EXPECT_EQ(platform::TVULoggerCurrentLevel(), 6);  // untouched: deferring
  platform::ClassRegistry::shared().unregisterClass("QRVConfiguration");
}

TEST_F(MonitorTest, DispatchEmptiesTheRecordAfterItsPeriod) {
  auto logger = std::make_shared<RecordingLogger>();
  APMMonitor monitor(6, logger, 1);
  monitor.logWithLevel(4, 1, "warn", "secret");
  EXPECT_FALSE(monitor.monitoringDataForDispatchWithSamplePeriod(60, 0).has_value());
  clock_->advance(61);
  EXPECT_EQ(monitor.monitoringDataForDispatchWithSamplePeriod(60, 0), "1:1W_1:warn:-");
  EXPECT_FALSE(monitor.sampledDataForTesting().has_value());
  monitor.logWithLevel(4, 1, "again");
  monitor.clearMonitoringData();
  EXPECT_FALSE(monitor.sampledDataForTesting().has_value());
}

TEST_F(MonitorTest, MigratesTheRecordFromTheStandardDefaults) {
  auto entry = APMMonitoringSampledData::sampledDataEntryWithKey("1E_1:old", platform::Date{5}, "", 3);
  APMUserDefaults::standardUserDefaults().setObject(entry, "/trivandel/measurement/health_monitor");
  APMMonitor monitor(1);
  EXPECT_EQ(monitor.sampledDataForTesting(), entry);
  EXPECT_FALSE(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/health_monitor"));
  APMUserDefaults suite(std::string("com.trivandel.kvl.measurement.monitor"));
  EXPECT_EQ(suite.integerForKey("/trivandel/measurement/monitor_migration_state"), 2);
}

TEST_F(MonitorTest, ExperimentsMonitorForwardsToTheEngineMonitor) {
  platform::LogCapture capture;
  APMEManager::monitor().logWithLevel(1, 800001, "Runtime failure", APMLogContext::className("APMPValue"));
  APMEMonitor& same = APMEManager::monitor();
  EXPECT_EQ(&same, &APMEManager::monitor());
  // The message layer below the engine logs flag failures through the same object.
  EXPECT_EQ(&same, &APMEMonitor::sharedMonitor());
  APMEManager::monitor().logWithLevel(1, 800002, "Plain");
}

TEST(MonitoringSampledDataTest, ReservoirOfOne) {
  platform::ManualClock clock;
  std::vector<uint32_t> draws;
  std::vector<uint32_t> answers{1, 0};  // keep A for B, then take C
  size_t next = 0;
  APMMonitoringSampledData data(std::nullopt, [&](uint32_t bound) {
    draws.push_back(bound);
    return answers[next++];
  });
  data.insertOrUpdateSampledDataWithKey("A", "a");
  data.insertOrUpdateSampledDataWithKey("B", "b");
  data.insertOrUpdateSampledDataWithKey("C", "");
  EXPECT_EQ(draws, (std::vector<uint32_t>{2, 3}));
  auto record = data.sampledData();
  ASSERT_TRUE(record);
  EXPECT_EQ(*(*record->getArray())[2].getString(), "C");
  EXPECT_EQ((*record->getArray())[1].getInt(), 3);
}

TEST(MonitoringSampledDataTest, ValidationAndEmptyDispatch) {
  auto clock = std::make_shared<platform::ManualClock>(1000000.0);
  platform::Clock::setCurrent(clock);
  platform::Value bad(platform::Value::Array{1, 2, "k", platform::Value::date(1)});
  APMMonitoringSampledData fromBad(bad);
  EXPECT_FALSE(fromBad.sampledData());
  APMMonitoringSampledData empty(std::nullopt);
  EXPECT_EQ(empty.monitoringDataForDispatchWithSamplePeriod(86400, 1000000.0 - 2 * 86400), "0:");
  EXPECT_FALSE(empty.monitoringDataForDispatchWithSamplePeriod(86400, 1000000.0 - 100));
  EXPECT_FALSE(empty.monitoringDataForDispatchWithSamplePeriod(86400, 0));
  EXPECT_EQ(APMMonitoringSampledData::monitoringURLParamWithKey("k", 4, ""), "4:k");
  EXPECT_EQ(APMMonitoringSampledData::monitoringURLParamWithKey("k", 4, "c"), "4:k:c");
  platform::Clock::setCurrent(nullptr);
}

}  // namespace
