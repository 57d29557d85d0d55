#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMSqliteStore.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/Analytics/Storage/SqlTrace.h"

namespace {

using platform::Value;
using Store = APMSqliteStore;

class SqliteStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = root_.path() + "/db/test.sql";
    APMError error;
    store_ = Store::initWithDatabasePath(path_, &error);
    ASSERT_TRUE(store_) << error.localizedDescription();
  }
  void TearDown() override { APMMeasurementMonitor().waitForPendingWork(); }
  void Trace() { trace_.attach(store_->sqliteHandle()); }
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.contains(fragment);
  }
  void CreateT() {
    APMError error;
    ASSERT_TRUE(store_->ensureTableWithName("t", {{"a", "INTEGER NOT NULL"}, {"b", "REAL"}}, {}, &error))
        << error.localizedDescription();
  }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
  std::string path_;
  std::unique_ptr<Store> store_;
  SqlTrace trace_;
  const std::vector<std::string>& traced_ = trace_.texts();
};

TEST_F(SqliteStoreTest, ExactSqlTexts) {
  Trace();
  APMError error;
  ASSERT_TRUE(store_->ensureTableWithName("t", {{"a", "INTEGER NOT NULL"}, {"b", "REAL"}}, {{"c", "TEXT"}},
                                          &error));
  ASSERT_TRUE(store_->upsertRecord({{"a", 1}, {"b", 2.5}}, "t", &error));
  ASSERT_TRUE(store_->updateRecord({{"b", 3.5}, {"c", "x"}}, "t", "a", Value(1), &error));
  ASSERT_TRUE(store_->updateAllRecordsInTableWithName("t", "c", Value("y"), &error));
  ASSERT_TRUE(store_->increaseColumn("a", 5, "t", "a=?", {Value(1)}, &error));
  ASSERT_EQ(store_->rowCountForTableWithName("t", "a", Value(6), &error), 1);
  ASSERT_EQ(store_->deleteRecordsFromTableWithName("t", "a=?", {Value(7)}, &error), 0);
  ASSERT_TRUE(store_->deleteRecordFromTableWithName("t", "a", Value(6), &error));
  ASSERT_TRUE(store_->deleteAllRecordsFromTableWithName("t", &error));
  ASSERT_TRUE(store_->renameTable("t", "u", &error));
  ASSERT_TRUE(store_->dropTableWithName("u", &error));
  const std::vector<std::string> expected{
      "SELECT name FROM sqlite_master WHERE type='table' AND name=?",
      "CREATE TABLE IF NOT EXISTS t ( a INTEGER NOT NULL, b REAL);",
      "PRAGMA table_info(t)",
      "ALTER TABLE t ADD COLUMN c TEXT",
      "INSERT OR REPLACE INTO t (a, b) VALUES (?, ?);",
      "UPDATE t SET b=?,c=? WHERE a=?",
      "UPDATE t SET c=?",
      "PRAGMA table_info(t)",
      "UPDATE t SET a = a + 5 WHERE a=?",
      "SELECT count(1) FROM t WHERE a=?",
      "DELETE FROM t WHERE a=?",
      "DELETE FROM t WHERE a=?",
      "DELETE FROM t",
      "ALTER TABLE t RENAME TO u",
      "DROP TABLE u",
  };
  EXPECT_EQ(traced_, expected);
}

TEST_F(SqliteStoreTest, ReadsBackEachColumnType) {
  APMError error;
  ASSERT_TRUE(store_->executeSQL("CREATE TABLE v (i INTEGER, f REAL, s TEXT, b BLOB, e BLOB, n TEXT)", &error));
  ASSERT_TRUE(store_->upsertRecord({{"i", int64_t{1} << 40},
                                    {"f", 0.5},
                                    {"s", "h\xC3\xA9"},
                                    {"b", Value::bytes("\x01\x02")},
                                    {"e", Value(platform::Bytes{})},
                                    {"n", Value()}},
                                   "v", &error));
  auto rows = store_->recordsForQuery("SELECT * FROM v", {}, &error);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  const auto& row = (*rows)[0];
  EXPECT_EQ(row.at("i"), Value(int64_t{1} << 40));
  EXPECT_EQ(row.at("f"), Value(0.5));
  EXPECT_EQ(row.at("s"), Value("h\xC3\xA9"));
  EXPECT_EQ(row.at("b"), Value::bytes("\x01\x02"));
  EXPECT_EQ(row.count("e"), 0u);  // a zero-length blob reads as no value
  EXPECT_TRUE(row.at("n").isNull());
  EXPECT_TRUE(Logged("Value is nil for column: e"));
}

TEST_F(SqliteStoreTest, ArgumentChecks) {
  struct Case {
    std::function<bool(APMError*)> call;
    int64_t code;
    const char* message;
  };
  const Case cases[] = {
      {[&](APMError* e) { return store_->ensureTableWithName("", {{"a", "INTEGER"}}, {}, e); }, 1,
       "Received empty table name for ensure table"},
      {[&](APMError* e) { return store_->ensureTableWithName("t", {}, {}, e); }, 1,
       "Received empty elementary column info for ensure table"},
      {[&](APMError* e) { return store_->upsertRecord({}, "t", e); }, 1, "Received empty record for upsert"},
      {[&](APMError* e) { return store_->upsertRecord({{"a", 1}}, "", e); }, 1,
       "Received empty table name for upsert"},
      {[&](APMError* e) { return store_->updateRecord({{"a", 1}}, "t", "a", std::nullopt, e); }, 1,
       "Nil column value for update"},
      {[&](APMError* e) { return store_->deleteRecordFromTableWithName("t", "", Value(1), e); }, 1,
       "Received empty column for delete record"},
      {[&](APMError* e) { return store_->recordsForQuery(" select 1", {}, e).has_value(); }, 1,
       "Received invalid select query"},
      {[&](APMError* e) { return store_->recordsForQuery("WITH x AS (SELECT 1) SELECT * FROM x", {}, e).has_value(); },
       1, "Received invalid select query"},
      {[&](APMError* e) { return store_->recordsForQuery("SELECT ?", {}, e).has_value(); }, 1,
       "Received empty parameters"},
      {[&](APMError* e) { return store_->prepareSQL("SELECT 1; SELECT 2", e) != nullptr; }, 1,
       "Query contained more than one SQL statement."},
      {[&](APMError* e) { return store_->performTransactionWithError(e, nullptr); }, 1,
       "Received nil transaction block"},
      {[&](APMError* e) { return store_->renameTable("t", "t", e); }, 1, "Received duplicate name for rename table"},
      {[&](APMError* e) { return store_->numberForQuery("SELECT 'a'", {}, e).has_value(); }, 1,
       "Found result that was not numeric"},
  };
  for (const auto& c : cases) {
    APMError error;
    EXPECT_FALSE(c.call(&error)) << c.message;
    EXPECT_EQ(error.code(), c.code) << c.message;
    EXPECT_EQ(error.localizedDescription(), c.message);
  }
  EXPECT_TRUE(store_->recordsForQuery("Select 1", {}, nullptr));
  EXPECT_TRUE(store_->recordsForQuery("SELECT 1", {}, nullptr));
}

TEST_F(SqliteStoreTest, IncreaseNeedsAnIntegerColumn) {
  APMError error;
  ASSERT_TRUE(store_->executeSQL("CREATE TABLE c (k TEXT, n integer, r REAL)", &error));
  ASSERT_TRUE(store_->upsertRecord({{"k", "a"}, {"n", 1}, {"r", 1.0}}, "c", &error));
  EXPECT_TRUE(store_->increaseColumn("n", -3, "c", "k=?", {Value("a")}, &error));
  EXPECT_EQ(store_->numberForQuery("SELECT n FROM c", {}, &error), Value(-2));
  EXPECT_FALSE(store_->increaseColumn("r", 1, "c", "k=?", {Value("a")}, &error));
  EXPECT_EQ(error.localizedDescription(), "Column type is not integer.");
  EXPECT_FALSE(store_->increaseColumn("zz", 1, "c", "k=?", {Value("a")}, &error));
  EXPECT_EQ(error.localizedDescription(), "Invalid column or table name");
}

TEST_F(SqliteStoreTest, FilterStopsTheQuery) {
  CreateT();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(store_->upsertRecord({{"a", i}}, "t", nullptr));
  capture_.clear();
  auto two = store_->recordsForQuery("SELECT a FROM t ORDER BY a", {}, nullptr,
                                     [](size_t index, const Store::Record&) { return index < 2; });
  ASSERT_TRUE(two);
  EXPECT_EQ(two->size(), 2u);
  EXPECT_FALSE(Logged("filtered out"));
  auto none = store_->recordsForQuery("SELECT a FROM t", {}, nullptr,
                                      [](size_t, const Store::Record&) { return false; });
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  EXPECT_TRUE(Logged("[I-ACS034005] Database contains records that were all filtered out"));
}

TEST_F(SqliteStoreTest, NumberQueries) {
  CreateT();
  APMError error;
  auto max = store_->numberForQuery("SELECT max(a) FROM t", {}, &error);
  EXPECT_FALSE(max);
  EXPECT_EQ(error.code(), 0);  // NULL result: none, without error
  EXPECT_EQ(store_->rowCountForTableWithName("t", &error), 0);
  EXPECT_FALSE(store_->numberForQuery("SELECT a FROM t", {}, &error));
  EXPECT_EQ(error.code(), 3);  // no row at all
}

TEST_F(SqliteStoreTest, StatementCacheRules) {
  CreateT();
  APMError error;
  ASSERT_TRUE(store_->upsertRecord({{"a", 1}}, "t", &error));
  Trace();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(store_->deleteRecordsFromTableWithName("t", "a=5", {}, &error), 0);
    EXPECT_EQ(store_->deleteRecordsFromTableWithName("t", "a=?", {Value(5)}, &error), 0);
  }
  EXPECT_FALSE(store_->isStatementCached("DELETE FROM t WHERE a=5"));
  EXPECT_TRUE(store_->isStatementCached("DELETE FROM t WHERE a=?"));
  sqlite3_stmt* first = store_->statementForQuery("SELECT a FROM t", &error);
  store_->cleanUpStatement(first, "SELECT a FROM t");
  sqlite3_stmt* again = store_->statementForQuery("SELECT a FROM t", &error);
  EXPECT_EQ(first, again);  // reused, not prepared anew
  store_->cleanUpStatement(again, "SELECT a FROM t");
}

TEST_F(SqliteStoreTest, CacheIsBoundedAndNeverEvictsAStatementInUse) {
  CreateT();
  APMError error;
  sqlite3_stmt* held = store_->statementForQuery("SELECT a FROM t WHERE a=?", {Value(0)}, &error);
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(sqlite3_step(held), SQLITE_DONE);
  for (int i = 0; i < 400; ++i) {
    std::string sql = "SELECT a FROM t WHERE a=? AND " + std::to_string(i) + "=" + std::to_string(i);
    ASSERT_TRUE(store_->recordsForQuery(sql, {Value(i)}, &error)) << error.localizedDescription();
    ASSERT_LE(store_->cachedStatementCount(), Store::kStatementCacheLimit);
  }
  EXPECT_TRUE(store_->isStatementCached("SELECT a FROM t WHERE a=?"));
  EXPECT_TRUE(store_->isStatementCached("SELECT a FROM t WHERE a=? AND 399=399"));
  EXPECT_FALSE(store_->isStatementCached("SELECT a FROM t WHERE a=? AND 0=0"));
  store_->cleanUpStatement(held, "SELECT a FROM t WHERE a=?");
}

// A fixed text with a literal condition is cached; a reused statement must
// still see new rows, a changed schema and a reopened connection.
TEST_F(SqliteStoreTest, FixedTextStatementsAreCachedAndStayCurrent) {
  CreateT();
  APMError error;
  const std::string count = "SELECT count(1) FROM t WHERE a = 1";
  const std::string rows = "SELECT * FROM t WHERE a = 1";
  auto countNow = [&] {
    auto number = store_->numberForQuery(count, {}, &error, Store::QueryText::kFixed);
    return number ? number->numberAsInt64().value_or(-1) : -1;
  };
  EXPECT_EQ(countNow(), 0);
  EXPECT_TRUE(store_->isStatementCached(count));
  ASSERT_TRUE(store_->upsertRecord({{"a", 1}}, "t", &error));
  EXPECT_EQ(countNow(), 1);

  auto first = store_->recordsForQuery(rows, {}, &error, Store::QueryText::kFixed);
  ASSERT_TRUE(first && first->size() == 1u);
  EXPECT_EQ(first->front().count("c"), 0u);
  EXPECT_TRUE(store_->isStatementCached(rows));
  ASSERT_TRUE(store_->executeSQL("ALTER TABLE t ADD COLUMN c INTEGER", &error)) << error.localizedDescription();
  auto widened = store_->recordsForQuery(rows, {}, &error, Store::QueryText::kFixed);
  ASSERT_TRUE(widened && widened->size() == 1u);
  EXPECT_EQ(widened->front().count("c"), 1u);

  // A cached, reset statement does not hold the table.
  ASSERT_TRUE(store_->dropTableWithName("t", &error)) << error.localizedDescription();
  CreateT();
  EXPECT_EQ(countNow(), 0);

  store_->closeDatabase();
  EXPECT_EQ(store_->cachedStatementCount(), 0u);
  ASSERT_TRUE(store_->openAndValidateDatabase(&error)) << error.localizedDescription();
  ASSERT_TRUE(store_->upsertRecord({{"a", 1}}, "t", &error));
  EXPECT_EQ(countNow(), 1);
}

TEST_F(SqliteStoreTest, AddOnColumnsRunOnceInListOrder) {
  CreateT();
  Trace();
  APMError error;
  Store::ColumnInfo elementary{{"a", "INTEGER NOT NULL"}, {"b", "REAL"}};
  Store::ColumnInfo addOns{{"z", "TEXT"}, {"c", "INTEGER"}};
  ASSERT_TRUE(store_->ensureTableWithName("t", elementary, addOns, &error));
  std::vector<std::string> alters;
  for (const auto& sql : traced_) {
    if (sql.rfind("ALTER", 0) == 0) alters.push_back(sql);
  }
  EXPECT_EQ(alters, (std::vector<std::string>{"ALTER TABLE t ADD COLUMN z TEXT", "ALTER TABLE t ADD COLUMN c INTEGER"}));
  EXPECT_EQ(store_->columnsForTableWithName("t", &error), (std::vector<std::string>{"a", "b", "z", "c"}));
  Trace();
  ASSERT_TRUE(store_->ensureTableWithName("t", elementary, addOns, &error));
  for (const auto& sql : traced_) EXPECT_NE(sql.rfind("ALTER", 0), 0u) << sql;
}

TEST_F(SqliteStoreTest, ValidationToleratesNullableExtrasOnly) {
  APMError error;
  ASSERT_TRUE(store_->executeSQL("CREATE TABLE x (a INTEGER NOT NULL, extra TEXT)", &error));
  EXPECT_EQ(store_->validateTableWithName("x", {"a"}, {}, &error), true);
  ASSERT_TRUE(store_->executeSQL("CREATE TABLE y (a INTEGER NOT NULL, extra TEXT NOT NULL)", &error));
  EXPECT_EQ(store_->validateTableWithName("y", {"a"}, {}, &error), false);
  EXPECT_EQ(error.localizedDescription(), "Table contains unknown non-optional columns");
  EXPECT_EQ(store_->validateTableWithName("x", {"a", "b"}, {}, &error), false);
  EXPECT_EQ(error.localizedDescription(), "Table is missing required columns");
  EXPECT_EQ(error.code(), 2);
}

TEST_F(SqliteStoreTest, SchemaRebuildKeepsRowsAndRowids) {
  APMError error;
  ASSERT_TRUE(store_->ensureTableWithName("r", {{"name", "TEXT NOT NULL"}, {"value", "INTEGER"}}, {{"extra", "TEXT"}},
                                          &error));
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(store_->upsertRecord({{"name", "n" + std::to_string(i)}, {"value", i}, {"extra", "e"}}, "r", &error));
  }
  ASSERT_TRUE(store_->deleteRecordFromTableWithName("r", "value", Value(1), &error));  // a rowid gap
  auto before = store_->recordsForQuery("SELECT rowid AS id, name, value, extra FROM r ORDER BY rowid", {}, &error);
  ASSERT_TRUE(before);
  ASSERT_TRUE(store_->ensureTableWithName("r", {{"name", "TEXT NOT NULL"}, {"value", "INTEGER"}}, {{"extra", "TEXT"}},
                                          {{"value", "REAL"}}, &error))
      << error.localizedDescription();
  auto types = store_->columnInfoForTableWithName("r", &error);
  EXPECT_EQ(types->at("value"), "REAL");
  auto after = store_->recordsForQuery("SELECT rowid AS id, name, value, extra FROM r ORDER BY rowid", {}, &error);
  ASSERT_TRUE(after);
  ASSERT_EQ(after->size(), before->size());
  for (size_t i = 0; i < after->size(); ++i) {
    EXPECT_EQ((*after)[i].at("id"), (*before)[i].at("id"));
    EXPECT_EQ((*after)[i].at("name"), (*before)[i].at("name"));
    EXPECT_EQ((*after)[i].at("value").numberAsDouble(), (*before)[i].at("value").numberAsDouble());
  }
  EXPECT_EQ(store_->tableExists("r_old", &error), false);
}

TEST_F(SqliteStoreTest, TransactionsCommitOrRollBack) {
  CreateT();
  APMError error;
  EXPECT_FALSE(store_->performTransactionWithError(&error, [&] {
    store_->upsertRecord({{"a", 1}}, "t", nullptr);
    return false;
  }));
  EXPECT_EQ(error.code(), 3);
  EXPECT_EQ(error.localizedDescription(), "Transaction failed");
  EXPECT_EQ(store_->rowCountForTableWithName("t", nullptr), 0);
  EXPECT_THROW(store_->performTransactionWithError(&error, [&]() -> bool {
    store_->upsertRecord({{"a", 1}}, "t", nullptr);
    throw std::runtime_error("x");
  }),
               std::runtime_error);
  EXPECT_EQ(store_->rowCountForTableWithName("t", nullptr), 0);
  EXPECT_TRUE(store_->performTransactionWithError(&error, [&] { return store_->upsertRecord({{"a", 1}}, "t", nullptr); }));
  EXPECT_EQ(store_->rowCountForTableWithName("t", nullptr), 1);
}

TEST_F(SqliteStoreTest, UnexpectedValueTypes) {
  CreateT();
  APMError error;
  EXPECT_FALSE(store_->upsertRecord({{"a", Value::array()}}, "t", &error));
  EXPECT_TRUE(Logged("[I-ACS034020] Record has value of unexpected type"));
  EXPECT_FALSE(store_->updateRecord({{"a", Value::date(1)}}, "t", "a", Value(1), &error));
  EXPECT_EQ(error.localizedDescription(), "Failed to bind parameter of unexpected type to update statement");
}

TEST_F(SqliteStoreTest, DatabaseErrorCarriesDescriptionAndMonitorContext) {
  APMError error;
  EXPECT_FALSE(store_->executeSQL("INSERT INTO missing VALUES (1)", &error));
  EXPECT_EQ(error.code(), 3);
  EXPECT_EQ(error.localizedDescription(),
            "Database operation \"prepare statement\" failed with sqlite code 1 and error message \"no such "
            "table: missing\"");
  EXPECT_EQ(error.monitorContext().rfind("prepare statement,1,A,", 0), 0u) << error.monitorContext();
  std::string context = store_->monitorContextForDatabaseOperation("");
  EXPECT_EQ(context.rfind("Unknown operation,", 0), 0u);
}

TEST_F(SqliteStoreTest, ClosedStoreFailsWithNotOpen) {
  ASSERT_TRUE(store_->closeAndDeleteDatabase());
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(path_));
  APMError error;
  EXPECT_FALSE(store_->upsertRecord({{"a", 1}}, "t", &error));
  EXPECT_EQ(error.code(), 2);
  EXPECT_EQ(error.localizedDescription(), "Upsert record failed. Database not open.");
  EXPECT_FALSE(store_->lastErrorMessage());
  EXPECT_TRUE(Logged("Failed to get last error message. Database not open"));
}

class SqliteStoreOpenTest : public ::testing::Test {
 protected:
  void TearDown() override { APMMeasurementMonitor().waitForPendingWork(); }
  platform::TemporaryDataRoot root_;
  std::string path_ = root_.path() + "/open.sql";
};

TEST_F(SqliteStoreOpenTest, GarbageFileIsReplaced) {
  { std::ofstream(path_) << std::string(4096, 'g'); }
  { std::ofstream(path_ + "-journal") << "junk"; }
  APMError error;
  auto store = Store::initWithDatabasePath(path_, &error);
  ASSERT_TRUE(store) << error.localizedDescription();
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(path_ + "-journal"));
  EXPECT_TRUE(store->ensureTableWithName("t", {{"a", "INTEGER"}}, {}, &error));
}

TEST_F(SqliteStoreOpenTest, BusyAtValidationKeepsTheFile) {
  {
    auto store = Store::initWithDatabasePath(path_, nullptr);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->ensureTableWithName("t", {{"a", "INTEGER"}}, {}, nullptr));
    ASSERT_TRUE(store->upsertRecord({{"a", 42}}, "t", nullptr));
  }
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr), SQLITE_OK);
  APMError error;
  EXPECT_FALSE(Store::initWithDatabasePath(path_, &error));
  EXPECT_EQ(error.code(), 3);
  EXPECT_NE(error.localizedDescription().find("validate database"), std::string::npos);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  auto store = Store::initWithDatabasePath(path_, &error);
  ASSERT_TRUE(store);
  EXPECT_EQ(store->rowCountForTableWithName("t", nullptr), 1);  // nothing was lost
}

TEST_F(SqliteStoreOpenTest, EmptyPathIsRefused) {
  APMError error;
  EXPECT_FALSE(Store::initWithDatabasePath("", &error));
  EXPECT_EQ(error.localizedDescription(), "Received empty database path on init");
}

}  // namespace
