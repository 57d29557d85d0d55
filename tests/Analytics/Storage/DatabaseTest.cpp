#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/Analytics/Storage/SqlTrace.h"

namespace {

using platform::Value;

bool Exists(const std::string& path) { return platform::FileManager::defaultManager().fileExistsAtPath(path); }

void RawExec(const std::string& path, const std::string& sql) {
  platform::FileManager::defaultManager().createDirectoryAtPath(path.substr(0, path.rfind('/')), true);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* message = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
  sqlite3_close(db);
}

class DatabaseTest : public ::testing::Test {
 protected:
  void TearDown() override { APMMeasurementMonitor().waitForPendingWork(); }
  std::string Path() const { return APMMeasurementPath(APMDatabase::kDatabaseName); }
  platform::TemporaryDataRoot root_;
};

TEST_F(DatabaseTest, FreshFileMatchesTheDefinitions) {
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  ASSERT_TRUE(database) << error.localizedDescription();
  EXPECT_TRUE(Exists(Path()));
  auto& store = database->sqliteStore();
  for (const auto& table : APMDatabase::tableDefinitions()) {
    SCOPED_TRACE(table.name);
    std::vector<std::string> expected;
    for (const auto& [name, type] : table.elementary) {
      if (name != "PRIMARY KEY") expected.push_back(name);
    }
    for (const auto& [name, type] : table.addOns) expected.push_back(name);
    EXPECT_EQ(store.columnsForTableWithName(table.name, nullptr), expected);
  }
  EXPECT_EQ(store.columnInfoForTableWithName("raw_events", nullptr)->at("timestamp"), "REAL");
  auto meta = store.recordsForQuery("SELECT rowid, * FROM app_metadata", {}, nullptr);
  ASSERT_EQ(meta->size(), 1u);
  EXPECT_EQ((*meta)[0].at("rowid"), Value(1));
  EXPECT_EQ((*meta)[0].at("last_bundle_index"), Value(0));
  // Opening again keeps the one row.
  database.reset();
  database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  EXPECT_EQ(database->sqliteStore().rowCountForTableWithName("app_metadata", nullptr), 1);
}

TEST_F(DatabaseTest, OlderFileIsMigrated) {
  RawExec(Path(),
          "CREATE TABLE app_metadata (last_bundle_index INTEGER NOT NULL, last_bundle_end_timestamp REAL NOT NULL);"
          "INSERT INTO app_metadata (rowid, last_bundle_index, last_bundle_end_timestamp) VALUES (1, 7, 2.5);"
          "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp INTEGER NOT NULL, metadata_fingerprint INTEGER "
          "NOT NULL, data BLOB NOT NULL);"
          "INSERT INTO raw_events VALUES ('a', 100, 1, x'01');"
          "INSERT INTO raw_events VALUES ('b', 200, 1, x'02');"
          "DELETE FROM raw_events WHERE name='a';"
          "INSERT INTO raw_events VALUES ('c', 300, 2, x'03');");
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  ASSERT_TRUE(database) << error.localizedDescription();
  auto& store = database->sqliteStore();
  EXPECT_EQ(store.columnInfoForTableWithName("raw_events", nullptr)->at("timestamp"), "REAL");
  auto rows = store.recordsForQuery("SELECT rowid, * FROM raw_events ORDER BY rowid", {}, nullptr);
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ((*rows)[0].at("rowid"), Value(2));
  EXPECT_EQ((*rows)[0].at("name"), Value("b"));
  EXPECT_EQ((*rows)[1].at("rowid"), Value(3));
  EXPECT_TRUE((*rows)[1].at("is_realtime").isNull());
  auto meta = store.recordsForQuery("SELECT * FROM app_metadata", {}, nullptr);
  ASSERT_EQ(meta->size(), 1u);
  EXPECT_EQ((*meta)[0].at("last_bundle_index"), Value(7));
  EXPECT_TRUE((*meta)[0].at("daily_events_count").isNull());
  EXPECT_EQ(store.columnsForTableWithName("app_metadata", nullptr)->size(), 11u);
}

// The opening's statements from the first one on, without the table checks
// that the schema tests above already cover.
std::vector<std::string> OpeningTail(const std::vector<std::string>& texts) {
  std::vector<std::string> kept;
  for (const auto& text : texts) {
    if (text.rfind("PRAGMA journal", 0) == 0 || text.rfind("PRAGMA synchronous", 0) == 0 ||
        text.rfind("CREATE INDEX", 0) == 0 || text.rfind("DROP TABLE", 0) == 0 ||
        text.find(" RENAME TO ") != std::string::npos) {
      kept.push_back(text);
    }
  }
  return kept;
}

const std::vector<std::string> kIndexTexts{
    "CREATE INDEX IF NOT EXISTS raw_events_timestamp ON raw_events (timestamp)",
    "CREATE INDEX IF NOT EXISTS raw_events_fingerprint ON raw_events (metadata_fingerprint)",
    "CREATE INDEX IF NOT EXISTS queue_end_timestamp ON queue (bundle_end_timestamp)",
    "CREATE INDEX IF NOT EXISTS raw_events_realtime ON raw_events (is_realtime) WHERE is_realtime = 1",
    "CREATE INDEX IF NOT EXISTS queue_realtime ON queue (is_realtime) WHERE is_realtime = 1",
};

TEST_F(DatabaseTest, OpeningEnablesWriteAheadLoggingAndIndexesAlsoAfterARebuildAndReset) {
  // An old file whose raw_events is rebuilt for its timestamp type.
  RawExec(Path(),
          "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp INTEGER NOT NULL, metadata_fingerprint INTEGER "
          "NOT NULL, data BLOB NOT NULL);"
          "CREATE INDEX raw_events_timestamp ON raw_events (timestamp);");
  SqlTrace trace;
  trace.followConnections();
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
  ASSERT_TRUE(database) << error.localizedDescription();
  // The old index left with the renamed copy and comes back on the new table.
  std::vector<std::string> expected{"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL",
                                    "ALTER TABLE raw_events RENAME TO raw_events_old", "DROP TABLE raw_events_old"};
  expected.insert(expected.end(), kIndexTexts.begin(), kIndexTexts.end());
  EXPECT_EQ(OpeningTail(trace.texts()), expected);
  auto& store = database->sqliteStore();
  EXPECT_EQ(store.executePragma("PRAGMA journal_mode", nullptr), Value("wal"));
  EXPECT_EQ(store.executePragma("PRAGMA synchronous", nullptr), Value(1));
  auto indexes = store.recordsForQuery("SELECT name FROM sqlite_master WHERE type='index' AND name NOT LIKE "
                                       "'sqlite!_%' ESCAPE '!' ORDER BY name", {}, nullptr);
  ASSERT_TRUE(indexes);
  std::vector<std::string> names;
  for (const auto& row : *indexes) names.push_back(*row.at("name").getString());
  EXPECT_EQ(names, (std::vector<std::string>{"queue_end_timestamp", "queue_realtime", "raw_events_fingerprint",
                                              "raw_events_realtime", "raw_events_timestamp"}));

  trace.clear();
  ASSERT_TRUE(database->reset(&error)) << error.localizedDescription();
  // A fresh raw_events is rebuilt too (its timestamp column is created as INTEGER).
  EXPECT_EQ(OpeningTail(trace.texts()), expected);
  EXPECT_EQ(database->sqliteStore().executePragma("PRAGMA journal_mode", nullptr), Value("wal"));
}

TEST_F(DatabaseTest, PragmaAndIndexFailuresAreLoggedAndTheOpenGoesOn) {
  struct Case {
    int denied;  // the authorizer action refused
    const char* logged;
  };
  const Case cases[] = {
      {SQLITE_PRAGMA, "Unable to enable write-ahead logging. Journal mode"},
      {SQLITE_CREATE_INDEX, "Failed to create index. Index, error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    platform::LogCapture capture;
    SqlTrace trace;
    static int denied;
    denied = c.denied;
    trace.followConnections([](sqlite3* db) {
      sqlite3_set_authorizer(
          db,
          [](void*, int action, const char* first, const char*, const char*, const char*) {
            if (action != denied) return SQLITE_OK;
            // Only the statements under test: the schema checks read pragmas
            // too, and primary keys make automatic indexes.
            std::string_view name(first ? first : "");
            if (action == SQLITE_PRAGMA && name != "journal_mode") return SQLITE_OK;
            if (action == SQLITE_CREATE_INDEX && name.rfind("sqlite_", 0) == 0) return SQLITE_OK;
            return SQLITE_DENY;
          },
          nullptr);
    });
    APMError error;
    auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
    ASSERT_TRUE(database) << error.localizedDescription();
    EXPECT_EQ(database->sqliteStore().rowCountForTableWithName("app_metadata", nullptr), 1);
    APMMeasurementMonitor().waitForPendingWork();
    EXPECT_TRUE(capture.contains(c.logged));
    database.reset();
    platform::FileManager::defaultManager().removeItemAtPath(Path());
  }
}

TEST_F(DatabaseTest, GarbageFileIsReplacedOnTheFirstOpen) {
  platform::FileManager::defaultManager().createDirectoryAtPath(Path().substr(0, Path().rfind('/')), true);
  { std::ofstream(Path()) << std::string(10000, 'x'); }
  APMError error;
  EXPECT_TRUE(APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error));
}

TEST_F(DatabaseTest, BrokenSchemaIsDeletedWithItsCompanionsAndTheSecondOpenSucceeds) {
  for (const char* sql : {"CREATE TABLE queue (data BLOB NOT NULL);",
                          "CREATE TABLE queue (data BLOB NOT NULL, bundle_end_timestamp REAL NOT NULL, "
                          "owner TEXT NOT NULL);"}) {
    SCOPED_TRACE(sql);
    RawExec(Path(), sql);
    { std::ofstream(Path() + "-wal") << ""; }
    { std::ofstream(Path() + "-shm") << ""; }
    APMError error;
    EXPECT_FALSE(APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error));
    EXPECT_EQ(error.code(), 2);
    EXPECT_FALSE(Exists(Path()));
    EXPECT_FALSE(Exists(Path() + "-wal"));
    EXPECT_FALSE(Exists(Path() + "-shm"));
    auto second = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, &error);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->sqliteStore().rowCountForTableWithName("queue", nullptr), 0);
    second.reset();
    platform::FileManager::defaultManager().removeItemAtPath(Path());
  }
}

TEST_F(DatabaseTest, ResetGivesAFreshFile) {
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, nullptr);
  ASSERT_TRUE(database);
  ASSERT_TRUE(database->sqliteStore().upsertRecord({{"fingerprint", Value("f")}}, "purchase_transactions", nullptr));
  APMError error;
  ASSERT_TRUE(database->reset(&error)) << error.localizedDescription();
  EXPECT_EQ(database->sqliteStore().rowCountForTableWithName("purchase_transactions", nullptr), 0);
  EXPECT_EQ(database->sqliteStore().rowCountForTableWithName("app_metadata", nullptr), 1);
}

TEST_F(DatabaseTest, GenericRecordOperations) {
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, nullptr);
  ASSERT_TRUE(database);
  APMError error;
  const std::string table = "subscriptions";
  ASSERT_TRUE(database->upsertDataType(APMSqliteStore::Record{{"subscription_id", Value("a")}}, table,
                                       "subscription_id", Value("a"), 2, &error));
  ASSERT_TRUE(database->upsertDataType(APMSqliteStore::Record{{"subscription_id", Value("b")}}, table,
                                       "subscription_id", Value("b"), 2, &error));
  EXPECT_TRUE(database->upsertDataType(APMSqliteStore::Record{{"subscription_id", Value("b")}}, table,
                                       "subscription_id", Value("b"), 2, &error));
  EXPECT_FALSE(database->upsertDataType(APMSqliteStore::Record{{"subscription_id", Value("c")}}, table,
                                        "subscription_id", Value("c"), 2, &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to insert data type. Table is full");
  EXPECT_FALSE(database->updateDataType(APMSqliteStore::Record{{"subscription_id", Value("z")}}, table,
                                        "subscription_id", Value("y"), &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to update record. Item doesn't exist");

  APMDatabase::CreateBlock<std::string> block = [](const APMSqliteStore::Record& row, APMError*) {
    return std::optional<std::string>(*row.at("subscription_id").getString());
  };
  auto none = database->dataTypesFromTableWithName<std::string>(table, "subscription_id", Value("q"), &error, block);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  auto all = database->allDataTypesFromTableWithName<std::string>(table, -1, &error, block);
  EXPECT_EQ(*all, (std::vector<std::string>{"a", "b"}));
  APMDatabase::CreateBlock<std::string> refuse = [](const APMSqliteStore::Record&, APMError*) {
    return std::optional<std::string>();
  };
  EXPECT_FALSE(database->dataTypesFromTableWithName<std::string>(table, "subscription_id", Value("a"), &error, refuse));
  EXPECT_EQ(error.localizedDescription(), "Failed to initialize data types from dictionaries");
}

TEST_F(DatabaseTest, MoveFileRules) {
  std::string dir = root_.path() + "/m";
  EXPECT_TRUE(APMMoveFile(dir + "/missing", dir + "/dest", false));
  EXPECT_FALSE(Exists(dir + "/dest"));
  EXPECT_FALSE(APMMoveFile("", dir + "/dest", false));
  platform::FileManager::defaultManager().createDirectoryAtPath(dir, true);
  { std::ofstream(dir + "/a") << "new"; }
  { std::ofstream(dir + "/b") << "old"; }
  EXPECT_TRUE(APMMoveFile(dir + "/a", dir + "/b", false));  // the destination wins
  EXPECT_FALSE(Exists(dir + "/a"));
  { std::ofstream(dir + "/a") << "new"; }
  EXPECT_TRUE(APMMoveFile(dir + "/a", dir + "/sub/b", true));
  EXPECT_TRUE(Exists(dir + "/sub/b"));
  EXPECT_EQ(APMMeasurementPlistPath("x.plist"), APMMeasurementPath("x.plist"));
  EXPECT_EQ(APMMeasurementPlistPath("x"), APMMeasurementPath("x.plist"));
  EXPECT_EQ(APMMeasurementPath(""), "");
}

}  // namespace
