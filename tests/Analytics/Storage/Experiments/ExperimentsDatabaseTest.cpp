// The experiments database: its tables and statements, activation, expiry,
// automatic activation, and what happens to the file when the open fails.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/Experiments/APMEDatabase.h"
#include "Platform/Foundation/FileManager.h"
#include "tests/Analytics/Storage/Experiments/ExperimentsFixture.h"
#include "tests/Analytics/Storage/Experiments/FaultyVfs.h"
#include "tests/Analytics/Storage/SqlTrace.h"

namespace experimentstest {
namespace {

using platform::Value;

class ExperimentsDatabaseTest : public ExperimentsFixture {
 protected:
  std::string Path() const { return APMMeasurementPath(APMEDatabase::kDatabaseName); }
  bool Exists(const std::string& path) const { return platform::FileManager::defaultManager().fileExistsAtPath(path); }
  std::unique_ptr<APMEDatabase> Open() { return APMEDatabase::initWithPath(Path()); }
  void RawExec(const std::string& sql) {
    platform::FileManager::defaultManager().createDirectoryAtPath(Path().substr(0, Path().rfind('/')), true);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
  }
  int64_t Count(APMEDatabase& database, const char* table) {
    return database.sqliteStore()->rowCountForTableWithName(table, nullptr).value_or(-1);
  }
  static std::vector<int64_t> IDs(const APMESnapshot& snapshot) {
    std::vector<int64_t> ids;
    for (const auto& experiment : snapshot.experiments()) ids.push_back(experiment.experimentID());
    std::sort(ids.begin(), ids.end());
    return ids;
  }
};

TEST_F(ExperimentsDatabaseTest, TablesAndStatementsAreTheDocumentedOnes) {
  SqlTrace trace;
  trace.followConnections();
  auto database = Open();
  ASSERT_TRUE(database);
  std::vector<std::string> creates;
  for (const auto& text : trace.texts()) {
    if (text.rfind("CREATE", 0) == 0) creates.push_back(text);
  }
  const std::string columns =
      " ( sdk_name TEXT NOT NULL PRIMARY KEY, snapshotProto BLOB NOT NULL, timestamp REAL NOT NULL, "
      "manually_activated INTEGER);";
  EXPECT_EQ(creates, (std::vector<std::string>{"CREATE TABLE IF NOT EXISTS pending_snapshot_table" + columns,
                                               "CREATE TABLE IF NOT EXISTS activated_snapshot_table" + columns,
                                               "CREATE TABLE IF NOT EXISTS launched_snapshot_table" + columns}));

  trace.clear();
  APMError error;
  auto pending = Snapshot("sdk", {Experiment(0, {IntFlag("l", 1)}), Experiment(5, {IntFlag("a", 2)})});
  pending.setManuallyActivated(false);
  ASSERT_TRUE(database->upsertPendingExperimentSnapshots({pending}, &error));
  ASSERT_TRUE(database->activatePendingSnapshotsAutomatically(&error));
  ASSERT_TRUE(database->deleteStaleActivatedSnapshots(&error));
  ASSERT_TRUE(database->fetchAllActivatedSnapshots(&error));
  ASSERT_TRUE(database->deleteActivatedExperimentsOfSDKName("sdk", &error));
  const std::string upsert = " (manually_activated, sdk_name, snapshotProto, timestamp) VALUES (?, ?, ?, ?);";
  const std::string upsertNoFlag = " (sdk_name, snapshotProto, timestamp) VALUES (?, ?, ?);";
  std::vector<std::string> texts;
  for (const auto& text : trace.texts()) {
    if (text.rfind("BEGIN", 0) != 0 && text.rfind("COMMIT", 0) != 0) texts.push_back(text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "INSERT OR REPLACE INTO pending_snapshot_table" + upsert,
                       "SELECT rowid,* FROM pending_snapshot_table WHERE NOT manually_activated = ? ORDER BY rowid",
                       "INSERT OR REPLACE INTO launched_snapshot_table" + upsertNoFlag,
                       "INSERT OR REPLACE INTO activated_snapshot_table" + upsertNoFlag,
                       "DELETE FROM pending_snapshot_table WHERE sdk_name = ? AND timestamp <= ?",
                       "DELETE FROM pending_snapshot_table WHERE sdk_name=?",
                       "DELETE FROM activated_snapshot_table WHERE timestamp <= ?",
                       "SELECT rowid, * FROM activated_snapshot_table ORDER BY rowid LIMIT 100000",
                       "DELETE FROM activated_snapshot_table WHERE sdk_name=?",
                   }));
}

TEST_F(ExperimentsDatabaseTest, ActivationSplitsTheLaunchedExperimentAndAnEmptyOneReplacesTheOldRowAcrossARelaunch) {
  APMError error;
  {
    auto database = Open();
    ASSERT_TRUE(database);
    auto first = Snapshot("sdk", {Experiment(5, {IntFlag("a", 1)}), Experiment(0, {IntFlag("l", 1)})});
    ASSERT_TRUE(database->activateSnapshot(&first, kNow - 10, &error));
    // The next fetch carries only the launched experiment.
    auto second = Snapshot("sdk", {Experiment(0, {IntFlag("l", 2)})});
    second.setTimestamp(kNow - 5);
    ASSERT_TRUE(database->upsertPendingExperimentSnapshots({second}, &error));
    // A pending row stored after the activation time survives it.
    auto later = Snapshot("other", {Experiment(9, {})});
    later.setTimestamp(kNow + 100);
    ASSERT_TRUE(database->upsertPendingExperimentSnapshots({later}, &error));
    ASSERT_TRUE(database->activateSnapshot(&second, kNow, &error));
    auto stillLater = Snapshot("other", {Experiment(9, {})});
    ASSERT_TRUE(database->activateSnapshot(&stillLater, kNow, &error));
    EXPECT_EQ(Count(*database, APMEDatabase::kPendingTable), 1);
  }
  auto reopened = Open();
  ASSERT_TRUE(reopened);
  auto activated = reopened->fetchAllActivatedSnapshots(&error);
  ASSERT_TRUE(activated);
  ASSERT_EQ(activated->size(), 2u);
  const APMESnapshot& sdk = activated->front().SDKName() == "sdk" ? activated->front() : activated->back();
  // Experiment 5 does not come back with the relaunch.
  EXPECT_TRUE(sdk.experiments().empty());
  EXPECT_EQ(sdk.timestamp(), kNow);
  EXPECT_FALSE(sdk.flagByName("a"));
  auto launched = reopened->fetchAllLaunchedSnapshots(&error);
  ASSERT_TRUE(launched);
  ASSERT_EQ(launched->size(), 1u);
  EXPECT_EQ(IDs(launched->front()), (std::vector<int64_t>{0}));
  EXPECT_EQ(IntValue(APMPBFlagGetValue(launched->front().flagByName("l").get())), 2);
  auto pending = reopened->fetchAllPendingSnapshots(&error);
  ASSERT_TRUE(pending);
  ASSERT_EQ(pending->size(), 1u);
  EXPECT_EQ(pending->front().SDKName(), "other");

  EXPECT_FALSE(reopened->activateSnapshot(nullptr, kNow, &error));
  EXPECT_EQ(error.localizedDescription(), "Received nil pending snapshot");
  EXPECT_FALSE(reopened->deleteActivatedExperimentsOfSDKName("", &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty SDK Name");
}

TEST_F(ExperimentsDatabaseTest, AutomaticActivationTakesOnlyRowsMarkedForIt) {
  APMError error;
  auto manual = Snapshot("manual", {Experiment(1, {IntFlag("m", 1)})});
  manual.setManuallyActivated(true);
  auto automatic = Snapshot("auto", {Experiment(2, {IntFlag("a", 1)})});
  automatic.setTimestamp(kNow - 30);
  for (int launch = 0; launch < 2; ++launch) {
    SCOPED_TRACE(launch);
    auto database = Open();
    ASSERT_TRUE(database);
    if (launch == 0) {
      ASSERT_TRUE(database->upsertPendingExperimentSnapshots({manual, automatic}, &error));
      // A row without a mark is left for its SDK too.
      ASSERT_TRUE(database->upsertSnapshot(*Snapshot("unmarked", {}).proto(), APMEDatabase::kPendingTable, kNow,
                                           std::nullopt, &error));
    }
    ASSERT_TRUE(database->activatePendingSnapshotsAutomatically(&error));
    auto pending = database->fetchAllPendingSnapshots(&error);
    ASSERT_TRUE(pending);
    std::vector<std::string> names;
    for (const auto& snapshot : *pending) names.push_back(snapshot.SDKName());
    EXPECT_EQ(names, (std::vector<std::string>{"manual", "unmarked"}));
    EXPECT_TRUE(pending->front().manuallyActivated());
    auto activated = database->fetchAllActivatedSnapshots(&error);
    ASSERT_EQ(activated->size(), 1u);
    EXPECT_EQ(activated->front().SDKName(), "auto");
    EXPECT_EQ(activated->front().timestamp(), kNow - 30);
  }
}

TEST_F(ExperimentsDatabaseTest, StaleActivatedRowsGoAtExactlyThreeDays) {
  auto database = Open();
  ASSERT_TRUE(database);
  APMError error;
  for (auto [name, age] : {std::pair<const char*, double>{"old", 259200}, {"young", 259199}, {"future", -500000}}) {
    ASSERT_TRUE(database->upsertSnapshot(*Snapshot(name, {}).proto(), APMEDatabase::kActivatedTable, kNow - age,
                                         std::nullopt, &error));
  }
  ASSERT_TRUE(database->upsertSnapshot(*Snapshot("launched", {}).proto(), APMEDatabase::kLaunchedTable, 0,
                                       std::nullopt, &error));
  ASSERT_TRUE(database->upsertSnapshot(*Snapshot("pending", {}).proto(), APMEDatabase::kPendingTable, 0, false,
                                       &error));
  ASSERT_TRUE(database->deleteStaleActivatedSnapshots(&error));
  auto activated = database->fetchAllActivatedSnapshots(&error);
  std::vector<std::string> names;
  for (const auto& snapshot : *activated) names.push_back(snapshot.SDKName());
  EXPECT_EQ(names, (std::vector<std::string>{"young", "future"}));
  EXPECT_EQ(Count(*database, APMEDatabase::kLaunchedTable), 1);
  EXPECT_EQ(Count(*database, APMEDatabase::kPendingTable), 1);
}

TEST_F(ExperimentsDatabaseTest, AnUnreadableRowFailsTheWholeRead) {
  auto database = Open();
  ASSERT_TRUE(database);
  APMError error;
  ASSERT_TRUE(database->upsertSnapshot(*Snapshot("good", {}).proto(), APMEDatabase::kActivatedTable, kNow,
                                       std::nullopt, &error));
  ASSERT_TRUE(database->sqliteStore()->upsertRecord(
      {{"sdk_name", Value("bad")}, {"snapshotProto", Value::bytes("\xff\xff\xff")}, {"timestamp", Value(kNow)}},
      APMEDatabase::kActivatedTable, &error));
  EXPECT_FALSE(database->fetchAllActivatedSnapshots(&error));
  EXPECT_EQ(error.code(), 2);
  // The same row among the pending ones stops automatic activation.
  ASSERT_TRUE(database->sqliteStore()->upsertRecord({{"sdk_name", Value("bad")},
                                                     {"snapshotProto", Value::bytes("\xff\xff\xff")},
                                                     {"timestamp", Value(kNow)},
                                                     {"manually_activated", Value(0)}},
                                                    APMEDatabase::kPendingTable, &error));
  EXPECT_FALSE(database->activatePendingSnapshotsAutomatically(&error));
  EXPECT_EQ(error.localizedDescription(), "Received an invalid snapshot from database");
}

TEST_F(ExperimentsDatabaseTest, OnlyTheFirstHundredThousandRowsAreRead) {
  RawExec(
      "CREATE TABLE pending_snapshot_table (sdk_name TEXT NOT NULL PRIMARY KEY, snapshotProto BLOB NOT NULL, "
      "timestamp REAL NOT NULL, manually_activated INTEGER);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100001) "
      "INSERT INTO pending_snapshot_table SELECT 's' || i, CAST(x'0a0173' AS BLOB), i, 1 FROM n;");
  auto database = Open();
  ASSERT_TRUE(database);
  APMError error;
  auto pending = database->fetchAllPendingSnapshots(&error);
  ASSERT_TRUE(pending);
  ASSERT_EQ(pending->size(), 100000u);
  EXPECT_EQ(pending->back().timestamp(), 100000);
}

TEST_F(ExperimentsDatabaseTest, AFailedOpenDeletesOnlyABrokenFile) {
  // A schema that fails validation: deleted with its companions, open fails.
  RawExec("CREATE TABLE activated_snapshot_table (sdk_name TEXT NOT NULL PRIMARY KEY);");
  { std::ofstream(Path() + "-journal") << ""; }
  Forget();
  EXPECT_FALSE(Open());
  EXPECT_TRUE(Reported(810004));
  EXPECT_TRUE(Reported(810002));
  EXPECT_FALSE(Reported(810003));
  EXPECT_FALSE(Exists(Path()));
  EXPECT_FALSE(Exists(Path() + "-journal"));
  EXPECT_TRUE(Open());

  // An I/O error while ensuring a missing table: the file and its
  // snapshots stay for the next launch; this launch's open fails.
  platform::FileManager::defaultManager().removeItemAtPath(Path());
  RawExec(
      "CREATE TABLE pending_snapshot_table (sdk_name TEXT NOT NULL PRIMARY KEY, snapshotProto BLOB NOT NULL, "
      "timestamp REAL NOT NULL, manually_activated INTEGER);"
      "INSERT INTO pending_snapshot_table VALUES ('kept', x'0a046b657074', 5, 1);");
  Forget();
  {
    FaultyVfs vfs;
    vfs.arm(true);
    EXPECT_FALSE(Open());
  }
  EXPECT_TRUE(Reported(810004));
  EXPECT_TRUE(Reported(810002));
  EXPECT_FALSE(Reported(810003));
  EXPECT_TRUE(Exists(Path()));
  auto next = Open();
  ASSERT_TRUE(next);
  APMError error;
  auto pending = next->fetchAllPendingSnapshots(&error);
  ASSERT_TRUE(pending);
  ASSERT_EQ(pending->size(), 1u);
  EXPECT_EQ(pending->front().SDKName(), "kept");

  EXPECT_FALSE(APMEDatabase::initWithPath(std::nullopt));
  EXPECT_TRUE(Reported(810000));
}

TEST_F(ExperimentsDatabaseTest, ResetAndCloseAndDeleteEmptyTheFile) {
  auto database = Open();
  ASSERT_TRUE(database);
  APMError error;
  ASSERT_TRUE(database->upsertPendingExperimentSnapshots({Snapshot("sdk", {})}, &error));
  database->reset();
  ASSERT_TRUE(database->sqliteStore());
  EXPECT_EQ(Count(*database, APMEDatabase::kPendingTable), 0);
  database->closeAndDelete();
  EXPECT_FALSE(Exists(Path()));
  // A transaction whose block refuses is rolled back and reported.
  auto again = Open();
  Forget();
  EXPECT_FALSE(again->performTransaction([&] {
    EXPECT_TRUE(again->upsertPendingExperimentSnapshots({Snapshot("gone", {})}, &error));
    return false;
  }));
  EXPECT_EQ(Count(*again, APMEDatabase::kPendingTable), 0);
  EXPECT_TRUE(Reported(810007));
}

}  // namespace
}  // namespace experimentstest
