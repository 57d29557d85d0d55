// The one thin layer between the engine and a SQLite database file. Opens,
// checks and (only when the file is corrupt) deletes and recreates the
// database; creates tables from column descriptions, widens them with add-on
// columns and rebuilds them on type changes; offers record operations built
// from dictionaries, exclusive transactions and a bounded cache of prepared
// statements keyed by SQL text. No locking: the owner calls it from one
// serial queue. Every failure comes back as an APMError (codes 1 bad input,
// 2 not open / invalid table, 3 SQLite failure) and never as an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Platform/Foundation/Value.h"

struct sqlite3;
struct sqlite3_stmt;

class APMSqliteStore {
 public:
  // (name, declaration); the name "PRIMARY KEY" marks a table constraint.
  using ColumnInfo = std::vector<std::pair<std::string, std::string>>;
  // Column name -> value: text, integer, double, bool (as integer), bytes or null.
  using Record = platform::Value::Dictionary;
  using Records = std::vector<Record>;
  using Parameters = std::vector<platform::Value>;
  // Row index, row -> keep reading.
  using RowFilter = std::function<bool(size_t, const Record&)>;

  static constexpr size_t kStatementCacheLimit = 256;
  // A text with a literal condition and no placeholders is taken for a
  // one-off (values spliced in) and not cached; kFixed says it never varies,
  // so its statement is kept like one with placeholders.
  enum class QueryText { kBuilt, kFixed };

  // Opens the store; nullptr (with the error) when it cannot be opened.
  static std::unique_ptr<APMSqliteStore> initWithDatabasePath(const std::string& databasePath,
                                                             APMError* error);
  ~APMSqliteStore();
  APMSqliteStore(const APMSqliteStore&) = delete;
  APMSqliteStore& operator=(const APMSqliteStore&) = delete;

  sqlite3* sqliteHandle() const { return db_; }
  const std::string& databasePath() const { return databasePath_; }
  const std::string& queueLabel() const { return queueLabel_; }

  // What a value computed from a table's rows may be kept under: equal
  // stamps mean no row of the table can have changed in between. Rows written
  // through this connection count per table; anything that may change rows
  // unseen (a rollback, a table emptied at once, a one-off statement such as
  // DDL, another connection's commit, a reopened file) moves every stamp.
  struct TableStamp {
    uint64_t unseen = 0;
    uint64_t writes = 0;
    int64_t dataVersion = -1;
    bool operator==(const TableStamp&) const = default;
  };
  // Tables whose writes are counted; the others move no stamp of their own.
  void watchTable(const std::string& tableName);
  // None when the stamp cannot be read (the database is closed).
  std::optional<TableStamp> stampOfTable(const std::string& tableName);
  // The stamp without asking for other connections' commits: for comparing
  // stamps taken around a write of this connection.
  std::optional<TableStamp> ownStampOfTable(const std::string& tableName);
  // While one lives, other connections' commits are asked for once: reads
  // that belong together (one upload decision) pay for one check, not one each.
  class OneCommitCheck {
   public:
    explicit OneCommitCheck(APMSqliteStore& store);
    ~OneCommitCheck();
    OneCommitCheck(const OneCommitCheck&) = delete;
    OneCommitCheck& operator=(const OneCommitCheck&) = delete;

   private:
    APMSqliteStore& store_;
  };

  // Lifecycle.
  bool closeAndDeleteDatabase();
  bool openAndValidateDatabase(APMError* error);
  bool validateDatabaseWithError(APMError* error);
  void closeDatabase();
  void finalizeAndClearStatements();
  // True when the last failed open or validation met a corrupt file.
  bool lastFailureWasCorruption() const { return lastFailureWasCorruption_; }
  // A failure to ensure a table that no retry can mend: a broken schema
  // (validation code 2) or a corrupt file (the connection's extended SQLite
  // code). Busy, locked, I/O and full-disk failures may pass.
  static bool isUnrepairableFailure(const APMError& error, int sqliteCode);

  // Schema.
  bool ensureTableWithName(const std::string& tableName, const ColumnInfo& elementaryColumnInfo,
                           const ColumnInfo& addOnColumnInfo, APMError* error);
  bool ensureTableWithName(const std::string& tableName, const ColumnInfo& elementaryColumnInfo,
                           const ColumnInfo& addOnColumnInfo,
                           const std::map<std::string, std::string>& modifyColumnInfo,
                           APMError* error);
  bool ensureSchemaOfTableWithName(const std::string& tableName,
                                   const ColumnInfo& elementaryColumnInfo,
                                   const ColumnInfo& addOnColumnInfo, APMError* error);
  // addOnColumns: column name -> ALTER statement, run in the given order.
  bool ensureTableWithName(const std::string& tableName, const std::string& createSQL,
                           const std::vector<std::string>& requiredColumnNames,
                           const std::vector<std::pair<std::string, std::string>>& addOnColumns,
                           APMError* error);
  std::optional<bool> validateTableWithName(
      const std::string& tableName, const std::vector<std::string>& requiredColumnNames,
      const std::vector<std::pair<std::string, std::string>>& addOnColumns, APMError* error);
  std::optional<bool> tableExists(const std::string& tableName, APMError* error);
  bool dropTableWithName(const std::string& tableName, APMError* error);
  bool renameTable(const std::string& tableName, const std::string& toName, APMError* error);
  bool copyContentsFromTable(const std::string& sourceTable, const std::string& toTable,
                             APMError* error);
  // Empty when the table does not exist; none on error.
  std::optional<std::vector<std::string>> columnsForTableWithName(const std::string& tableName,
                                                                  APMError* error);
  std::optional<std::map<std::string, std::string>> columnInfoForTableWithName(
      const std::string& tableName, APMError* error);

  // Records.
  bool upsertRecord(const Record& record, const std::string& inTableWithName, APMError* error);
  bool updateRecord(const Record& record, const std::string& inTableWithName,
                    const std::string& columnName, const std::optional<platform::Value>& columnValue,
                    APMError* error);
  bool updateAllRecordsInTableWithName(const std::string& tableName, const std::string& columnName,
                                       const std::optional<platform::Value>& columnValue,
                                       APMError* error);
  bool increaseColumn(const std::string& column, int64_t byValue, const std::string& inTable,
                      const std::string& condition, const Parameters& parameterValues,
                      APMError* error);
  bool deleteRecordFromTableWithName(const std::string& tableName, const std::string& columnName,
                                     const std::optional<platform::Value>& columnValue,
                                     APMError* error);
  std::optional<int64_t> deleteRecordsFromTableWithName(const std::string& tableName,
                                                        const std::string& condition,
                                                        const Parameters& parameterValues,
                                                        APMError* error);
  bool deleteAllRecordsFromTableWithName(const std::string& tableName, APMError* error);
  std::optional<int64_t> rowCountForTableWithName(const std::string& tableName, APMError* error);
  std::optional<int64_t> rowCountForTableWithName(const std::string& tableName,
                                                  const std::string& columnName,
                                                  const std::optional<platform::Value>& columnValue,
                                                  APMError* error);
  std::optional<Records> recordsForQuery(const std::string& query, const Parameters& parameterValues,
                                         APMError* error, QueryText text = QueryText::kBuilt);
  std::optional<Records> recordsForQuery(const std::string& query, const Parameters& parameterValues,
                                         APMError* error, const RowFilter& withFilter,
                                         QueryText text = QueryText::kBuilt);
  // An integer or double; none on error and, without error, for a NULL result.
  std::optional<platform::Value> numberForQuery(const std::string& query,
                                                const Parameters& parameterValues, APMError* error,
                                                QueryText text = QueryText::kBuilt);

  // Transactions. A block that throws is rolled back and the exception passes on.
  bool performTransactionWithError(APMError* error, const std::function<bool()>& block);
  bool beginTransaction();
  bool endTransaction();
  bool rollbackTransaction();

  // Statements.
  sqlite3_stmt* statementForQuery(const std::string& query, APMError* error);
  sqlite3_stmt* statementForQuery(const std::string& query, const Parameters& parameterValues,
                                  APMError* error);
  void cleanUpStatement(sqlite3_stmt* statement, const std::string& forQuery);
  sqlite3_stmt* prepareSQL(const std::string& sql, APMError* error);
  bool executeSQL(const std::string& sql, APMError* error);
  // Runs a PRAGMA to its end, rows allowed (executeSQL fails on a row). The
  // first row's first column; a null value when there is no row; none on error.
  std::optional<platform::Value> executePragma(const std::string& sql, APMError* error);
  bool executeSQLStatement(sqlite3_stmt* statement, APMError* error);
  bool bindValues(const Parameters& values, sqlite3_stmt* toStatement, APMError* error);
  std::optional<platform::Value> valueAtColumn(int column, sqlite3_stmt* forStatement);
  size_t cachedStatementCount() const { return statementCache_.size(); }
  bool isStatementCached(const std::string& query) const {
    return statementCache_.count(query) != 0;
  }

  // Errors.
  std::optional<std::string> lastErrorMessage();
  std::optional<std::string> errorDescriptionForDatabaseOperation(const std::string& operation);
  std::string monitorContextForDatabaseOperation(const std::string& operation);
  void setDatabaseError(APMError* error, const std::string& operation);

  // Upsert and update texts for a record (none when a value has an unexpected type).
  static std::optional<std::pair<std::string, Parameters>> upsertStatementForRecord(
      const Record& record, const std::string& inTableWithName);
  static std::optional<std::pair<std::string, Parameters>> updateStatementForRecord(
      const Record& record, const std::string& inTableWithName, const std::string& columnName,
      const platform::Value& columnValue);
  static std::string createSQLForTable(const std::string& tableName, const ColumnInfo& columnInfo);

  // Tests only: called with every new connection before its first statement
  // (tracing, injected failures). Empty removes it.
  static void setConnectionObserverForTesting(std::function<void(sqlite3*)> observer);

 private:
  explicit APMSqliteStore(std::string databasePath);

  struct CacheEntry {
    sqlite3_stmt* statement;
    std::list<std::string>::iterator lruPosition;
  };

  using ValuePointers = std::vector<const platform::Value*>;
  // A statement kept in the cache under its text (kCached by the text's
  // shape, kFixed always), or prepared for one run and finalized.
  enum class Reuse { kCached, kFixed, kOnce };
  static Reuse ReuseFor(QueryText text) { return text == QueryText::kFixed ? Reuse::kFixed : Reuse::kCached; }
  // Reads the current row; false ends the run early, which is no failure.
  using RowReader = std::function<bool(sqlite3_stmt*)>;
  // A reason to refuse an operation's input (code 1) when `applies`.
  struct Refusal {
    bool applies;
    const char* message;
  };

  // False with the first refusal that applies or, given notOpenMessage, with
  // code 2 when the database is closed.
  bool inputAccepted(APMError* error, std::initializer_list<Refusal> refusals,
                     const char* notOpenMessage = nullptr) const;
  // Binds and steps the statement for sql, handing each row to readRow
  // (without a reader a row counts as a failed step). A failed step, or no
  // row when rowRequired, sets the database error for the operation before
  // the statement is released. The number of rows read; none on failure.
  std::optional<size_t> runStatement(const std::string& sql, const ValuePointers& parameters,
                                     Reuse reuse, const char* operation, APMError* error,
                                     const RowReader& readRow = {}, bool rowRequired = false);
  // The cached statement for the text, or a new one (cached when reusable); unbound.
  sqlite3_stmt* cachedStatement(const std::string& query, size_t parameterCount, bool fixedText,
                                APMError* error);
  sqlite3_stmt* boundStatement(const std::string& query, const ValuePointers& parameterValues,
                               bool fixedText, APMError* error);
  bool bindValuePointers(const ValuePointers& values, sqlite3_stmt* toStatement, APMError* error);
  bool execOnOpen(const char* sql);
  void cacheStatement(const std::string& query, sqlite3_stmt* statement);
  std::optional<std::vector<std::pair<std::string, std::pair<std::string, bool>>>> tableInfo(
      const std::string& tableName, APMError* error);
  void noteCorruption(int code);

  std::string databasePath_;
  std::string queueLabel_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, CacheEntry> statementCache_;
  std::list<std::string> lru_;  // most recently used first
  std::unordered_map<sqlite3_stmt*, int> inUse_;  // stepped, not yet cleaned up
  // BEGIN, END and ROLLBACK, prepared once: every transaction runs them.
  std::unordered_map<const char*, sqlite3_stmt*> transactionStatements_;
  // See TableStamp. Rows reported by the update hook, of all tables and of
  // the watched ones; changes SQLite counted beyond the reported ones.
  static void RowChanged(void* store, int operation, const char* database, const char* table, long long rowid);
  static void RolledBack(void* store);
  void noteUnseenChanges();
  std::vector<std::pair<std::string, uint64_t>> watchedTables_;
  int64_t hookedRows_ = 0;
  int64_t unhookedRows_ = 0;
  uint64_t unseenChanges_ = 0;
  int commitChecks_ = 0;  // OneCommitCheck scopes alive
  std::optional<int64_t> checkedDataVersion_;
  bool lastFailureWasCorruption_ = false;
};
