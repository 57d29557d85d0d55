#include "Analytics/Storage/APMSqliteStore.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMLowercase.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/FileManager.h"

namespace {

std::function<void(sqlite3*)>& ConnectionObserver() {
  static auto* observer = new std::function<void(sqlite3*)>();
  return *observer;
}

bool ContainsInsensitive(std::string_view text, std::string_view fragment) {
  return Lower(text).find(Lower(fragment)) != std::string::npos;
}

bool IsCorruptionCode(int code) {
  int primary = code & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

constexpr const char* kPrimaryKey = "PRIMARY KEY";

std::vector<const platform::Value*> Pointers(const APMSqliteStore::Parameters& values) {
  std::vector<const platform::Value*> pointers;
  pointers.reserve(values.size());
  for (const auto& value : values) pointers.push_back(&value);
  return pointers;
}

// Containers and dates have no column type.
bool IsWritable(const platform::Value& value) {
  switch (value.type()) {
    case platform::Value::Type::kArray:
    case platform::Value::Type::kDictionary:
    case platform::Value::Type::kDate:
      return false;
    default:
      return true;
  }
}

// The upsert text for a record, its values pointed at in column order; none
// when the record is empty or a value cannot be stored.
std::optional<std::string> UpsertSQL(const APMSqliteStore::Record& record, const std::string& table,
                                     std::vector<const platform::Value*>* values) {
  std::string sql;
  sql.reserve(64 + table.size() + record.size() * 24);
  sql.append("INSERT OR REPLACE INTO ").append(table).append(" (");
  std::string placeholders;
  placeholders.reserve(record.size() * 3);
  values->clear();
  values->reserve(record.size());
  for (const auto& [key, value] : record) {
    if (!IsWritable(value)) return std::nullopt;
    if (!values->empty()) {
      sql += ", ";
      placeholders += ", ";
    }
    sql += key;
    placeholders += "?";
    values->push_back(&value);
  }
  if (values->empty()) return std::nullopt;
  sql.append(") VALUES (").append(placeholders).append(");");
  return sql;
}

}  // namespace

APMSqliteStore::APMSqliteStore(std::string databasePath)
    : databasePath_(std::move(databasePath)), queueLabel_(platform::DispatchQueue::currentLabel()) {}

APMSqliteStore::~APMSqliteStore() { closeDatabase(); }

void APMSqliteStore::setConnectionObserverForTesting(std::function<void(sqlite3*)> observer) {
  ConnectionObserver() = std::move(observer);
}

std::unique_ptr<APMSqliteStore> APMSqliteStore::initWithDatabasePath(const std::string& databasePath,
                                                                    APMError* error) {
  if (databasePath.empty()) {
    APMSetError(error, 1, "Received empty database path on init");
    return nullptr;
  }
  std::unique_ptr<APMSqliteStore> store(new APMSqliteStore(databasePath));
  if (store->openAndValidateDatabase(error)) return store;
  // Only a corrupt file is given up; any other failure (busy, locked, I/O,
  // full disk) keeps the file, whose data may still be good.
  if (!store->lastFailureWasCorruption_) return nullptr;
  if (!store->closeAndDeleteDatabase()) return nullptr;
  if (store->openAndValidateDatabase(error)) return store;
  return nullptr;
}

bool APMSqliteStore::isUnrepairableFailure(const APMError& error, int sqliteCode) {
  if (error.code() == 2 && (error.localizedDescription() == "Table is missing required columns" ||
                            error.localizedDescription() == "Table contains unknown non-optional columns")) {
    return true;
  }
  return IsCorruptionCode(sqliteCode);
}

void APMSqliteStore::noteCorruption(int code) {
  if (IsCorruptionCode(code)) lastFailureWasCorruption_ = true;
}

bool APMSqliteStore::openAndValidateDatabase(APMError* error) {
  lastFailureWasCorruption_ = false;
  auto& files = platform::FileManager::defaultManager();
  if (files.fileExistsAtPath(databasePath_)) {
    auto attributes = files.attributesOfItemAtPath(databasePath_);
    if (!attributes.ok()) {
      APMSetError(error, 3, attributes.status().ToString());
      return false;
    }
  } else {
    auto slash = databasePath_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
      platform::Status status = files.createDirectoryAtPath(databasePath_.substr(0, slash), true);
      if (!status.ok()) {
        APMSetError(error, 3, status.ToString());
        return false;
      }
    }
  }
  int rc = sqlite3_open_v2(databasePath_.c_str(), &db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    noteCorruption(rc);
    setDatabaseError(error, "initialize sqlite handle");
    closeDatabase();
    return false;
  }
  sqlite3_update_hook(db_, &APMSqliteStore::RowChanged, this);
  sqlite3_rollback_hook(db_, &APMSqliteStore::RolledBack, this);
  hookedRows_ = 0;
  unhookedRows_ = 0;
  ++unseenChanges_;
  if (ConnectionObserver()) ConnectionObserver()(db_);
  platform::Status excluded = files.setExcludedFromBackup(databasePath_, true);
  if (!excluded.ok()) {
    Monitor().logWithLevel(4, 34017, "Failed to exclude database file from backup",
                           APMError("platform.FileManager", static_cast<int64_t>(excluded.code()), excluded.message()));
  }
  if (!validateDatabaseWithError(error)) {
    closeDatabase();
    return false;
  }
  return true;
}

bool APMSqliteStore::validateDatabaseWithError(APMError* error) {
  if (!inputAccepted(error, {}, "Prepare SQL failed. Database not open.")) return false;
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &statement, nullptr);
  if (rc != SQLITE_OK) {
    noteCorruption(sqlite3_extended_errcode(db_));
    setDatabaseError(error, "validate database");
    sqlite3_finalize(statement);
    return false;
  }
  rc = sqlite3_step(statement);
  bool valid = false;
  if (rc == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(statement, 0);
    valid = sqlite3_column_count(statement) == 1 && text != nullptr &&
            std::string_view(reinterpret_cast<const char*>(text)) == "ok";
    if (valid) valid = sqlite3_step(statement) == SQLITE_DONE;  // exactly one row
    if (!valid) lastFailureWasCorruption_ = true;
  } else {
    noteCorruption(sqlite3_extended_errcode(db_));
  }
  if (!valid) setDatabaseError(error, "validate database");
  sqlite3_finalize(statement);
  return valid;
}

void APMSqliteStore::finalizeAndClearStatements() {
  for (auto& [query, entry] : statementCache_) sqlite3_finalize(entry.statement);
  statementCache_.clear();
  lru_.clear();
  inUse_.clear();
  for (auto& [sql, statement] : transactionStatements_) sqlite3_finalize(statement);
  transactionStatements_.clear();
}

void APMSqliteStore::closeDatabase() {
  if (db_ == nullptr) return;
  ++unseenChanges_;
  finalizeAndClearStatements();
  int rc = sqlite3_close(db_);
  if (rc != SQLITE_OK) {
    Monitor().logWithLevel(1, 34018, "Failed to close database. Got error code", rc);
    // Statements outside the cache keep the connection; let SQLite close it
    // once they are gone rather than leak it.
    sqlite3_close_v2(db_);
  }
  db_ = nullptr;
}

bool APMSqliteStore::closeAndDeleteDatabase() {
  closeDatabase();
  auto& files = platform::FileManager::defaultManager();
  bool ok = true;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::string path = databasePath_ + suffix;
    if (!files.fileExistsAtPath(path)) continue;
    platform::Status status = files.removeItemAtPath(path);
    if (!status.ok()) {
      Monitor().logWithLevel(1, 34019, "Failed to delete database. Error",
                             APMError("platform.FileManager", static_cast<int64_t>(status.code()), status.message()));
      ok = false;
    }
  }
  return ok;
}

// ---- Statements

bool APMSqliteStore::inputAccepted(APMError* error, std::initializer_list<Refusal> refusals,
                                   const char* notOpenMessage) const {
  for (const auto& refusal : refusals) {
    if (refusal.applies) {
      APMSetError(error, 1, refusal.message);
      return false;
    }
  }
  if (notOpenMessage != nullptr && db_ == nullptr) {
    APMSetError(error, 2, notOpenMessage);
    return false;
  }
  return true;
}

sqlite3_stmt* APMSqliteStore::prepareSQL(const std::string& sql, APMError* error) {
  if (!inputAccepted(error, {{sql.empty(), "Received empty SQL string to prepare"}},
                     "Prepare SQL failed. Database not open.")) {
    return nullptr;
  }
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  int rc = SQLITE_ERROR;
#if SQLITE_VERSION_NUMBER >= 3020000
  rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                          &statement, &tail);
#endif
  if (rc != SQLITE_OK) {
    sqlite3_finalize(statement);
    statement = nullptr;
    rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail);
  }
  if (rc != SQLITE_OK || statement == nullptr) {
    setDatabaseError(error, "prepare statement");
    sqlite3_finalize(statement);
    return nullptr;
  }
  if (tail != nullptr) {
    std::string_view rest(tail);
    bool onlySpace = std::all_of(rest.begin(), rest.end(),
                                 [](unsigned char c) { return std::isspace(c) != 0; });
    if (!onlySpace) {
      sqlite3_finalize(statement);
      APMSetError(error, 1, "Query contained more than one SQL statement.");
      return nullptr;
    }
  }
  return statement;
}

void APMSqliteStore::cacheStatement(const std::string& query, sqlite3_stmt* statement) {
  if (statementCache_.size() >= kStatementCacheLimit) {
    // Evict the least recently used statement that is not between its first
    // step and its clean-up.
    for (auto it = lru_.end(); it != lru_.begin();) {
      --it;
      auto entry = statementCache_.find(*it);
      auto use = inUse_.find(entry->second.statement);
      if (use != inUse_.end() && use->second != 0) continue;
      if (use != inUse_.end()) inUse_.erase(use);
      sqlite3_finalize(entry->second.statement);
      statementCache_.erase(entry);
      lru_.erase(it);
      break;
    }
  }
  lru_.push_front(query);
  statementCache_[query] = CacheEntry{statement, lru_.begin()};
}

sqlite3_stmt* APMSqliteStore::statementForQuery(const std::string& query, APMError* error) {
  return statementForQuery(query, {}, error);
}

sqlite3_stmt* APMSqliteStore::cachedStatement(const std::string& query, size_t parameterCount, bool fixedText,
                                              APMError* error) {
  auto hit = statementCache_.find(query);
  if (hit != statementCache_.end()) {
    lru_.splice(lru_.begin(), lru_, hit->second.lruPosition);
    return hit->second.statement;
  }
  if (!inputAccepted(error, {}, "Statement for query failed. Database not open.")) return nullptr;
  bool hasPlaceholders = query.find('?') != std::string::npos;
  if (!inputAccepted(error, {{hasPlaceholders && parameterCount == 0, "Received empty parameters"}})) {
    return nullptr;
  }
  sqlite3_stmt* statement = prepareSQL(query, error);
  if (statement == nullptr) return nullptr;
  // A literal condition makes a one-off text unless the caller vouches for
  // it; only reusable texts are kept.
  if (fixedText || hasPlaceholders || !ContainsInsensitive(query, "WHERE")) cacheStatement(query, statement);
  return statement;
}

sqlite3_stmt* APMSqliteStore::statementForQuery(const std::string& query,
                                                const Parameters& parameterValues,
                                                APMError* error) {
  return boundStatement(query, Pointers(parameterValues), /*fixedText=*/false, error);
}

sqlite3_stmt* APMSqliteStore::boundStatement(const std::string& query, const ValuePointers& parameterValues,
                                             bool fixedText, APMError* error) {
  sqlite3_stmt* statement = cachedStatement(query, parameterValues.size(), fixedText, error);
  if (statement == nullptr) return nullptr;
  if (!parameterValues.empty() && !bindValuePointers(parameterValues, statement, error)) {
    if (statementCache_.count(query) == 0) sqlite3_finalize(statement);
    return nullptr;
  }
  inUse_[statement]++;
  return statement;
}

void APMSqliteStore::cleanUpStatement(sqlite3_stmt* statement, const std::string& forQuery) {
  if (statement == nullptr) return;
  // Cached statements keep their entry (set to 0) so the hot path allocates nothing.
  auto use = inUse_.find(statement);
  auto it = statementCache_.find(forQuery);
  if (it != statementCache_.end()) {
    if (it->second.statement != statement) {
      Monitor().logWithLevel(5, 34016, "Statement is not the same one in the cache");
      if (use != inUse_.end()) inUse_.erase(use);
      sqlite3_finalize(statement);
      statement = it->second.statement;
    } else if (use != inUse_.end()) {
      use->second = 0;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return;
  }
  if (use != inUse_.end()) inUse_.erase(use);
  sqlite3_finalize(statement);
}

bool APMSqliteStore::bindValues(const Parameters& values, sqlite3_stmt* toStatement,
                                APMError* error) {
  return bindValuePointers(Pointers(values), toStatement, error);
}

bool APMSqliteStore::bindValuePointers(const ValuePointers& values, sqlite3_stmt* toStatement,
                                       APMError* error) {
  if (toStatement == nullptr) {
    APMSetError(error, 1, "Failed to bind to NULL statement");
    return false;
  }
  sqlite3_clear_bindings(toStatement);
  bool ok = true;
  for (size_t i = 0; i < values.size(); ++i) {
    const platform::Value& value = *values[i];
    int position = static_cast<int>(i + 1);
    int rc = SQLITE_MISUSE;
    switch (value.type()) {
      case platform::Value::Type::kBytes: {
        const platform::Bytes& bytes = *value.getBytes();
        // An empty vector has no data pointer, which SQLite would bind as NULL.
        rc = bytes.empty() ? sqlite3_bind_zeroblob(toStatement, position, 0)
                           : sqlite3_bind_blob64(toStatement, position, bytes.data(), bytes.size(),
                                                 SQLITE_TRANSIENT);
        break;
      }
      case platform::Value::Type::kDouble:
        rc = sqlite3_bind_double(toStatement, position, *value.getDouble());
        break;
      case platform::Value::Type::kInteger:
      case platform::Value::Type::kBool:
        rc = sqlite3_bind_int64(toStatement, position, *value.numberAsInt64());
        break;
      case platform::Value::Type::kString: {
        const std::string& text = *value.getString();
        rc = sqlite3_bind_text64(toStatement, position, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      }
      case platform::Value::Type::kNull:
        rc = sqlite3_bind_null(toStatement, position);
        break;
      default:
        break;
    }
    if (rc != SQLITE_OK) {
      setDatabaseError(error, "bind values");
      ok = false;
    }
  }
  return ok;
}

bool APMSqliteStore::executeSQLStatement(sqlite3_stmt* statement, APMError* error) {
  if (statement == nullptr) {
    APMSetError(error, 1, "Execute SQL statement failed. Statement is NULL.");
    return false;
  }
  if (db_ == nullptr) {
    APMSetError(error, 2, "Execute SQL statement failed. Database not open.");
    sqlite3_finalize(statement);
    return false;
  }
  int rc = sqlite3_step(statement);
  bool ok = rc == SQLITE_DONE;
  if (!ok) setDatabaseError(error, "execute statement");
  sqlite3_finalize(statement);
  return ok;
}

std::optional<platform::Value> APMSqliteStore::executePragma(const std::string& sql, APMError* error) {
  if (!inputAccepted(error, {{sql.empty(), "Received empty SQL string to execute"}},
                     "Execute SQL failed. Database not open.")) {
    return std::nullopt;
  }
  std::optional<platform::Value> first;
  auto rows = runStatement(sql, {}, Reuse::kOnce, "execute statement", error, [&](sqlite3_stmt* statement) {
    if (!first) first = valueAtColumn(0, statement).value_or(platform::Value());
    return true;
  });
  ++unseenChanges_;  // a pragma may change what rows read as
  if (!rows) return std::nullopt;
  return first.value_or(platform::Value());
}

bool APMSqliteStore::executeSQL(const std::string& sql, APMError* error) {
  if (!inputAccepted(error, {{sql.empty(), "Received empty SQL string to execute"}},
                     "Execute SQL failed. Database not open.")) {
    return false;
  }
  const bool ran = runStatement(sql, {}, Reuse::kOnce, "execute statement", error).has_value();
  ++unseenChanges_;  // DDL (a dropped or renamed table) reports no rows
  return ran;
}

// ---- Table stamps

void APMSqliteStore::RowChanged(void* store, int, const char* database, const char* table, long long) {
  auto* self = static_cast<APMSqliteStore*>(store);
  ++self->hookedRows_;
  if (database == nullptr || table == nullptr || std::strcmp(database, "main") != 0) return;
  for (auto& [name, writes] : self->watchedTables_) {
    if (name == table) ++writes;
  }
}

void APMSqliteStore::RolledBack(void* store) { ++static_cast<APMSqliteStore*>(store)->unseenChanges_; }

void APMSqliteStore::watchTable(const std::string& tableName) {
  for (const auto& [name, writes] : watchedTables_) {
    if (name == tableName) return;
  }
  watchedTables_.emplace_back(tableName, 0);
}

void APMSqliteStore::noteUnseenChanges() {
  // Rows SQLite counted that the hook never saw: a table emptied at once.
  const int64_t unhooked = sqlite3_total_changes64(db_) - hookedRows_;
  if (unhooked != unhookedRows_) {
    unhookedRows_ = unhooked;
    ++unseenChanges_;
  }
}

std::optional<APMSqliteStore::TableStamp> APMSqliteStore::ownStampOfTable(const std::string& tableName) {
  if (db_ == nullptr) return std::nullopt;
  noteUnseenChanges();
  TableStamp stamp;
  stamp.unseen = unseenChanges_;
  for (const auto& [name, writes] : watchedTables_) {
    if (name == tableName) stamp.writes = writes;
  }
  return stamp;
}

std::optional<APMSqliteStore::TableStamp> APMSqliteStore::stampOfTable(const std::string& tableName) {
  std::optional<TableStamp> stamp = ownStampOfTable(tableName);
  if (!stamp) return std::nullopt;
  if (commitChecks_ == 0 || !checkedDataVersion_) {
    // Moves with every commit of another connection, never with ours.
    std::optional<int64_t> version;
    auto read = runStatement("PRAGMA data_version", {}, Reuse::kFixed, "data version", nullptr,
                             [&](sqlite3_stmt* statement) {
                               version = sqlite3_column_int64(statement, 0);
                               return false;
                             });
    if (!read || !version) return std::nullopt;
    checkedDataVersion_ = commitChecks_ > 0 ? version : std::nullopt;
    stamp->dataVersion = *version;
  } else {
    stamp->dataVersion = *checkedDataVersion_;
  }
  return stamp;
}

APMSqliteStore::OneCommitCheck::OneCommitCheck(APMSqliteStore& store) : store_(store) { ++store_.commitChecks_; }

APMSqliteStore::OneCommitCheck::~OneCommitCheck() {
  if (--store_.commitChecks_ == 0) store_.checkedDataVersion_.reset();
}

std::optional<size_t> APMSqliteStore::runStatement(const std::string& sql, const ValuePointers& parameters,
                                                   Reuse reuse, const char* operation, APMError* error,
                                                   const RowReader& readRow, bool rowRequired) {
  sqlite3_stmt* statement = nullptr;
  if (reuse != Reuse::kOnce) {
    statement = boundStatement(sql, parameters, reuse == Reuse::kFixed, error);
    if (statement == nullptr) return std::nullopt;
  } else {
    statement = prepareSQL(sql, error);
    if (statement == nullptr) return std::nullopt;
    if (!parameters.empty() && !bindValuePointers(parameters, statement, error)) {
      sqlite3_finalize(statement);
      return std::nullopt;
    }
  }
  size_t rows = 0;
  bool stopped = false;
  int rc = sqlite3_step(statement);
  while (rc == SQLITE_ROW && readRow) {
    ++rows;
    if (!readRow(statement)) {
      stopped = true;
      break;
    }
    rc = sqlite3_step(statement);
  }
  // A failed step is an error, never a silently short result.
  std::optional<size_t> result = rows;
  if ((!stopped && rc != SQLITE_DONE) || (rowRequired && rows == 0)) {
    setDatabaseError(error, operation);
    result.reset();
  }
  if (reuse != Reuse::kOnce) {
    cleanUpStatement(statement, sql);
  } else {
    sqlite3_finalize(statement);
  }
  return result;
}

std::optional<platform::Value> APMSqliteStore::valueAtColumn(int column, sqlite3_stmt* forStatement) {
  if (forStatement == nullptr) return std::nullopt;
  switch (sqlite3_column_type(forStatement, column)) {
    case SQLITE_INTEGER:
      return platform::Value(static_cast<int64_t>(sqlite3_column_int64(forStatement, column)));
    case SQLITE_FLOAT:
      return platform::Value(sqlite3_column_double(forStatement, column));
    case SQLITE_TEXT: {
      const unsigned char* text = sqlite3_column_text(forStatement, column);
      int size = sqlite3_column_bytes(forStatement, column);
      if (text == nullptr) return std::nullopt;
      return platform::Value(std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size)));
    }
    case SQLITE_BLOB: {
      const void* blob = sqlite3_column_blob(forStatement, column);
      int size = sqlite3_column_bytes(forStatement, column);
      if (blob == nullptr || size <= 0) return std::nullopt;
      const auto* bytes = static_cast<const uint8_t*>(blob);
      return platform::Value(platform::Bytes(bytes, bytes + size));
    }
    case SQLITE_NULL:
      return platform::Value();
    default:
      return std::nullopt;
  }
}

// ---- Errors

std::optional<std::string> APMSqliteStore::lastErrorMessage() {
  if (db_ == nullptr) {
    Monitor().logWithLevel(1, 34022, "Failed to get last error message. Database not open");
    return std::nullopt;
  }
  const char* message = sqlite3_errmsg(db_);
  return std::string(message != nullptr ? message : "");
}

std::optional<std::string> APMSqliteStore::errorDescriptionForDatabaseOperation(
    const std::string& operation) {
  auto message = lastErrorMessage();
  if (!message) return std::nullopt;
  return "Database operation \"" + operation + "\" failed with sqlite code " +
         std::to_string(sqlite3_errcode(db_)) + " and error message \"" + *message + "\"";
}

std::string APMSqliteStore::monitorContextForDatabaseOperation(const std::string& operation) {
  std::string out = operation.empty() ? std::string("Unknown operation") : operation;
  out.push_back(',');
  out.append(std::to_string(sqlite3_errcode(db_)));
  out += access(databasePath_.c_str(), W_OK) == 0 ? ",A" : ",NA";
  out += ",";
  auto attributes = platform::FileManager::defaultManager().attributesOfFileSystemForPath(databasePath_);
  if (attributes.ok()) {
    uint64_t mebibytes = attributes->freeSize >> 20;
    if (mebibytes >= 1) {
      int digits = 0;
      while (mebibytes >= 10) {
        mebibytes /= 10;
        ++digits;
      }
      out += std::to_string(digits);
    } else {
      out += "-1";
    }
  }
  return out;
}

void APMSqliteStore::setDatabaseError(APMError* error, const std::string& operation) {
  if (error == nullptr) return;
  auto description = errorDescriptionForDatabaseOperation(operation);
  *error = APMError::apm_errorWithCode(3, description.value_or(""),
                                       monitorContextForDatabaseOperation(operation));
}

// ---- Schema

std::string APMSqliteStore::createSQLForTable(const std::string& tableName,
                                              const ColumnInfo& columnInfo) {
  std::string sql = "CREATE TABLE IF NOT EXISTS " + tableName + " ( ";
  for (const auto& [name, declaration] : columnInfo) sql += name + " " + declaration + ", ";
  if (sql.size() >= 2 && sql.compare(sql.size() - 2, 2, ", ") == 0) {
    sql.replace(sql.size() - 2, 2, ");");
  }
  return sql;
}

bool APMSqliteStore::ensureTableWithName(const std::string& tableName,
                                         const ColumnInfo& elementaryColumnInfo,
                                         const ColumnInfo& addOnColumnInfo, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for ensure table"},
                             {elementaryColumnInfo.empty(),
                              "Received empty elementary column info for ensure table"}})) {
    return false;
  }
  std::string createSQL = createSQLForTable(tableName, elementaryColumnInfo);
  std::vector<std::pair<std::string, std::string>> addOnColumns;
  for (const auto& [name, declaration] : addOnColumnInfo) {
    if (name.empty()) continue;
    addOnColumns.emplace_back(name, "ALTER TABLE " + tableName + " ADD COLUMN " + name + " " + declaration);
  }
  std::vector<std::string> required;
  for (const auto& [name, declaration] : elementaryColumnInfo) {
    if (name != kPrimaryKey) required.push_back(name);
  }
  return ensureTableWithName(tableName, createSQL, required, addOnColumns, error);
}

bool APMSqliteStore::ensureTableWithName(const std::string& tableName,
                                         const ColumnInfo& elementaryColumnInfo,
                                         const ColumnInfo& addOnColumnInfo,
                                         const std::map<std::string, std::string>& modifyColumnInfo,
                                         APMError* error) {
  if (!ensureTableWithName(tableName, elementaryColumnInfo, addOnColumnInfo, error)) return false;
  if (modifyColumnInfo.empty()) return true;
  auto rewrite = [&](const ColumnInfo& list) {
    ColumnInfo out;
    for (const auto& [name, declaration] : list) {
      if (name == kPrimaryKey) continue;
      auto it = modifyColumnInfo.find(name);
      out.emplace_back(name, it != modifyColumnInfo.end() ? it->second : declaration);
    }
    return out;
  };
  return ensureSchemaOfTableWithName(tableName, rewrite(elementaryColumnInfo), rewrite(addOnColumnInfo),
                                     error);
}

bool APMSqliteStore::ensureSchemaOfTableWithName(const std::string& tableName,
                                                 const ColumnInfo& elementaryColumnInfo,
                                                 const ColumnInfo& addOnColumnInfo,
                                                 APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for ensure table schema"},
                             {elementaryColumnInfo.empty(),
                              "Received empty column info for ensure table schema"}})) {
    return false;
  }
  auto existing = columnInfoForTableWithName(tableName, error);
  if (!existing) return false;
  if (existing->empty()) {
    APMSetError(error, 2, "Table does not exist for ensure table schema");
    return false;
  }
  std::map<std::string, std::string> expected;
  for (const auto& [name, declaration] : elementaryColumnInfo) {
    if (name == kPrimaryKey) continue;
    expected[name] = declaration.substr(0, declaration.find(' '));
  }
  for (const auto& [name, declaration] : addOnColumnInfo) expected[name] = declaration;
  if (expected == *existing) return true;

  std::string oldName = tableName + "_old";
  APMError stepError;
  APMError transactionError;
  bool ok = performTransactionWithError(&transactionError, [&] {
    if (!renameTable(tableName, oldName, &stepError)) return false;
    if (!ensureTableWithName(tableName, elementaryColumnInfo, addOnColumnInfo, &stepError)) return false;
    // Copy the shared columns by name with their rowids, so a changed column
    // order cannot shift values and row identity survives.
    auto newColumns = columnsForTableWithName(tableName, &stepError);
    auto oldColumns = columnsForTableWithName(oldName, &stepError);
    if (!newColumns || !oldColumns) return false;
    std::set<std::string> oldSet(oldColumns->begin(), oldColumns->end());
    std::string list = "rowid";
    for (const auto& column : *newColumns) {
      if (oldSet.count(column) != 0) list += ", " + column;
    }
    if (!executeSQL("INSERT INTO " + tableName + " (" + list + ") SELECT " + list + " FROM " + oldName,
                    &stepError)) {
      return false;
    }
    return dropTableWithName(oldName, &stepError);
  });
  if (!ok && error != nullptr) {
    *error = transactionError.code() != 0 ? transactionError : stepError;
  }
  return ok;
}

bool APMSqliteStore::ensureTableWithName(
    const std::string& tableName, const std::string& createSQL,
    const std::vector<std::string>& requiredColumnNames,
    const std::vector<std::pair<std::string, std::string>>& addOnColumns, APMError* error) {
  if (!inputAccepted(error,
                     {{tableName.empty(), "Received empty table name for ensure table"},
                      {requiredColumnNames.empty(), "Received no table columns for ensure table"},
                      {createSQL.empty(), "Received empty create statement for ensure table"}},
                     "Ensure table failed. Database not open.")) {
    return false;
  }
  auto exists = tableExists(tableName, error);
  if (!exists) return false;
  if (!*exists && !executeSQL(createSQL, error)) return false;
  auto valid = validateTableWithName(tableName, requiredColumnNames, addOnColumns, error);
  return valid.value_or(false);
}

std::optional<bool> APMSqliteStore::validateTableWithName(
    const std::string& tableName, const std::vector<std::string>& requiredColumnNames,
    const std::vector<std::pair<std::string, std::string>>& addOnColumns, APMError* error) {
  if (!inputAccepted(error,
                     {{tableName.empty(), "Received empty table name for validate table"},
                      {requiredColumnNames.empty(), "Received no table columns for validate table"}},
                     "Validate table failed. Database not open.")) {
    return std::nullopt;
  }
  auto columns = columnsForTableWithName(tableName, error);
  if (!columns) return std::nullopt;
  std::set<std::string> existing(columns->begin(), columns->end());
  for (const auto& name : requiredColumnNames) {
    if (existing.count(name) == 0) {
      APMSetError(error, 2, "Table is missing required columns");
      return false;
    }
  }
  for (const auto& name : requiredColumnNames) existing.erase(name);
  // Add-on columns go in list order so every table ends with the same column order.
  for (const auto& [name, alterSQL] : addOnColumns) {
    if (existing.erase(name) != 0) continue;
    if (alterSQL.empty() || !executeSQL(alterSQL, error)) return false;
  }
  if (!existing.empty()) {
    auto info = tableInfo(tableName, error);
    if (!info) return std::nullopt;
    for (const auto& [name, typeAndNotNull] : *info) {
      if (existing.count(name) != 0 && typeAndNotNull.second) {
        APMSetError(error, 2, "Table contains unknown non-optional columns");
        return false;
      }
    }
  }
  return true;
}

std::optional<bool> APMSqliteStore::tableExists(const std::string& tableName, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for table exists"}},
                     "Table exists failed. Database not open.")) {
    return std::nullopt;
  }
  platform::Value name(tableName);
  auto rows = runStatement("SELECT name FROM sqlite_master WHERE type='table' AND name=?", {&name},
                           Reuse::kOnce, "table exists", error, [](sqlite3_stmt*) { return false; });
  if (!rows) return std::nullopt;
  return *rows != 0;
}

bool APMSqliteStore::dropTableWithName(const std::string& tableName, APMError* error) {
  return inputAccepted(error, {{tableName.empty(), "Received empty table name for drop table"}}) &&
         executeSQL("DROP TABLE " + tableName, error);
}

bool APMSqliteStore::renameTable(const std::string& tableName, const std::string& toName,
                                 APMError* error) {
  return inputAccepted(error, {{tableName.empty(), "Received empty old name for rename table"},
                               {toName.empty(), "Received empty new name for rename table"},
                               {tableName == toName, "Received duplicate name for rename table"}}) &&
         executeSQL("ALTER TABLE " + tableName + " RENAME TO " + toName, error);
}

bool APMSqliteStore::copyContentsFromTable(const std::string& sourceTable, const std::string& toTable,
                                           APMError* error) {
  return inputAccepted(error, {{sourceTable.empty(), "Received empty source name for copy table"},
                               {toTable.empty(), "Received empty destination name for copy table"},
                               {sourceTable == toTable, "Received duplicate name for copy table"}}) &&
         executeSQL("INSERT INTO " + toTable + " SELECT * FROM " + sourceTable, error);
}

std::optional<std::vector<std::pair<std::string, std::pair<std::string, bool>>>>
APMSqliteStore::tableInfo(const std::string& tableName, APMError* error) {
  std::vector<std::pair<std::string, std::pair<std::string, bool>>> rows;
  auto read = runStatement("PRAGMA table_info(" + tableName + ")", {}, Reuse::kCached, "table info", error,
                           [&](sqlite3_stmt* statement) {
                             const unsigned char* name = sqlite3_column_text(statement, 1);
                             const unsigned char* type = sqlite3_column_text(statement, 2);
                             rows.push_back({name ? reinterpret_cast<const char*>(name) : "",
                                             {type ? reinterpret_cast<const char*>(type) : "",
                                              sqlite3_column_int(statement, 3) != 0}});
                             return true;
                           });
  if (!read) return std::nullopt;
  return rows;
}

std::optional<std::vector<std::string>> APMSqliteStore::columnsForTableWithName(
    const std::string& tableName, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for get columns"}},
                     "Get table columns failed. Database not open.")) {
    return std::nullopt;
  }
  auto info = tableInfo(tableName, error);
  if (!info) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& row : *info) names.push_back(row.first);
  return names;
}

std::optional<std::map<std::string, std::string>> APMSqliteStore::columnInfoForTableWithName(
    const std::string& tableName, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for column info"}},
                     "Get table column info failed. Database not open.")) {
    return std::nullopt;
  }
  auto info = tableInfo(tableName, error);
  if (!info) return std::nullopt;
  std::map<std::string, std::string> types;
  for (const auto& row : *info) types[row.first] = row.second.first;
  return types;
}

// ---- Records

std::optional<std::pair<std::string, APMSqliteStore::Parameters>> APMSqliteStore::upsertStatementForRecord(
    const Record& record, const std::string& inTableWithName) {
  std::vector<const platform::Value*> pointers;
  auto sql = UpsertSQL(record, inTableWithName, &pointers);
  if (!sql) return std::nullopt;
  Parameters values;
  values.reserve(pointers.size());
  for (const auto* value : pointers) values.push_back(*value);
  return std::make_pair(std::move(*sql), std::move(values));
}

std::optional<std::pair<std::string, APMSqliteStore::Parameters>> APMSqliteStore::updateStatementForRecord(
    const Record& record, const std::string& inTableWithName, const std::string& columnName,
    const platform::Value& columnValue) {
  std::string assignments;
  Parameters values;
  for (const auto& [key, value] : record) {
    if (!IsWritable(value)) return std::nullopt;
    assignments += key + "=?,";
    values.push_back(value);
  }
  if (values.empty()) return std::nullopt;
  assignments.pop_back();
  values.push_back(columnValue);
  return std::make_pair("UPDATE " + inTableWithName + " SET " + assignments + " WHERE " + columnName + "=?",
                        std::move(values));
}

bool APMSqliteStore::upsertRecord(const Record& record, const std::string& inTableWithName,
                                  APMError* error) {
  if (!inputAccepted(error, {{record.empty(), "Received empty record for upsert"},
                             {inTableWithName.empty(), "Received empty table name for upsert"}},
                     "Upsert record failed. Database not open.")) {
    return false;
  }
  // Values are bound in place, without copies: this is the engine's hottest write.
  ValuePointers values;
  auto sql = UpsertSQL(record, inTableWithName, &values);
  if (!sql) {
    Monitor().logWithLevel(4, 34020, "Record has value of unexpected type");
    return false;
  }
  return runStatement(*sql, values, Reuse::kCached, "execute statement", error).has_value();
}

bool APMSqliteStore::updateRecord(const Record& record, const std::string& inTableWithName,
                                  const std::string& columnName,
                                  const std::optional<platform::Value>& columnValue,
                                  APMError* error) {
  if (!inputAccepted(error,
                     {{record.empty(), "Empty record for update"},
                      {inTableWithName.empty(), "Empty table name for update"},
                      {columnName.empty(), "Empty column name for update"},
                      {!columnValue, "Nil column value for update"}},
                     "Update record failed. Database not open.")) {
    return false;
  }
  auto statement = updateStatementForRecord(record, inTableWithName, columnName, *columnValue);
  if (!statement || !IsWritable(*columnValue)) {
    Monitor().logWithLevel(4, 34021, "Record has value of unexpected type (update)");
    APMSetError(error, 1, "Failed to bind parameter of unexpected type to update statement");
    return false;
  }
  return runStatement(statement->first, Pointers(statement->second), Reuse::kCached, "execute statement", error)
      .has_value();
}

bool APMSqliteStore::updateAllRecordsInTableWithName(const std::string& tableName,
                                                     const std::string& columnName,
                                                     const std::optional<platform::Value>& columnValue,
                                                     APMError* error) {
  if (!inputAccepted(error,
                     {{tableName.empty(), "Empty table name for update"},
                      {columnName.empty(), "Empty column name for update"},
                      {!columnValue, "Nil column value for update"}},
                     "Update record failed. Database not open.")) {
    return false;
  }
  return runStatement("UPDATE " + tableName + " SET " + columnName + "=?", {&*columnValue}, Reuse::kCached,
                      "update all records value", error)
      .has_value();
}

bool APMSqliteStore::increaseColumn(const std::string& column, int64_t byValue,
                                    const std::string& inTable, const std::string& condition,
                                    const Parameters& parameterValues, APMError* error) {
  if (!inputAccepted(error,
                     {{inTable.empty(), "Empty table name for increase column"},
                      {column.empty(), "Empty column name for increase column"},
                      {condition.empty(), "Empty condition for increase column"}},
                     "Increase column failed. Database not open.")) {
    return false;
  }
  auto info = columnInfoForTableWithName(inTable, error);
  if (!info) return false;
  auto it = info->find(column);
  std::string type = it == info->end() ? std::string() : it->second;
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (!inputAccepted(error, {{it == info->end(), "Invalid column or table name"},
                             {type != "INTEGER", "Column type is not integer."}})) {
    return false;
  }
  std::string sql = "UPDATE " + inTable + " SET " + column + " = " + column + " + " +
                    std::to_string(byValue) + " WHERE " + condition;
  return runStatement(sql, Pointers(parameterValues), Reuse::kCached, "increase records value", error)
      .has_value();
}

bool APMSqliteStore::deleteRecordFromTableWithName(const std::string& tableName,
                                                   const std::string& columnName,
                                                   const std::optional<platform::Value>& columnValue,
                                                   APMError* error) {
  if (!inputAccepted(error,
                     {{tableName.empty(), "Received empty table name for delete record"},
                      {columnName.empty(), "Received empty column for delete record"},
                      {!columnValue, "Received nil value for delete record"}},
                     "Delete record failed. Database not open.")) {
    return false;
  }
  return runStatement("DELETE FROM " + tableName + " WHERE " + columnName + "=?", {&*columnValue},
                      Reuse::kOnce, "delete record", error)
      .has_value();
}

std::optional<int64_t> APMSqliteStore::deleteRecordsFromTableWithName(const std::string& tableName,
                                                                      const std::string& condition,
                                                                      const Parameters& parameterValues,
                                                                      APMError* error) {
  if (!inputAccepted(error,
                     {{tableName.empty(), "Received empty table name for delete record"},
                      {condition.empty(), "Received empty condition for delete record"}},
                     "Delete records with condition failed. Database not open.")) {
    return std::nullopt;
  }
  // Resetting the statement leaves the change count of its run in place.
  if (!runStatement("DELETE FROM " + tableName + " WHERE " + condition, Pointers(parameterValues),
                    Reuse::kCached, "delete records with condition", error)) {
    return std::nullopt;
  }
  return sqlite3_changes64(db_);
}

bool APMSqliteStore::deleteAllRecordsFromTableWithName(const std::string& tableName, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for delete all records"}},
                     "Delete all records failed. Database not open.")) {
    return false;
  }
  return runStatement("DELETE FROM " + tableName, {}, Reuse::kCached, "delete all records", error).has_value();
}

std::optional<int64_t> APMSqliteStore::rowCountForTableWithName(const std::string& tableName,
                                                                APMError* error) {
  return rowCountForTableWithName(tableName, "", std::nullopt, error);
}

std::optional<int64_t> APMSqliteStore::rowCountForTableWithName(
    const std::string& tableName, const std::string& columnName,
    const std::optional<platform::Value>& columnValue, APMError* error) {
  if (!inputAccepted(error, {{tableName.empty(), "Received empty table name for row count"}},
                     "Row count failed. Database not open.")) {
    return std::nullopt;
  }
  std::string sql = "SELECT count(1) FROM " + tableName;
  Parameters parameters;
  if (!columnName.empty() && columnValue) {
    sql += " WHERE " + columnName + "=?";
    parameters.push_back(*columnValue);
  }
  auto number = numberForQuery(sql, parameters, error);
  if (!number) return std::nullopt;
  return number->numberAsInt64();
}

std::optional<APMSqliteStore::Records> APMSqliteStore::recordsForQuery(const std::string& query,
                                                                      const Parameters& parameterValues,
                                                                      APMError* error, QueryText text) {
  return recordsForQuery(query, parameterValues, error, [](size_t, const Record&) { return true; }, text);
}

std::optional<APMSqliteStore::Records> APMSqliteStore::recordsForQuery(const std::string& query,
                                                                      const Parameters& parameterValues,
                                                                      APMError* error,
                                                                      const RowFilter& withFilter,
                                                                      QueryText text) {
  if (!inputAccepted(error,
                     {{query.empty(), "Received empty query for records for query"},
                      {!withFilter, "Received empty filter for selecting records"}},
                     "Query records failed. Database not open.") ||
      !inputAccepted(error, {{query.size() < 6 || Lower(query.substr(0, 6)) != "select",
                              "Received invalid select query"}})) {
    return std::nullopt;
  }
  Records records;
  bool stoppedByFilter = false;
  // A statement's column names are the same for each of its rows: read once.
  std::optional<std::vector<std::optional<std::string>>> names;
  auto read = runStatement(query, Pointers(parameterValues), ReuseFor(text), "query records", error,
                           [&](sqlite3_stmt* statement) {
                             if (!names) {
                               names.emplace();
                               int count = sqlite3_column_count(statement);
                               names->reserve(static_cast<size_t>(count));
                               for (int column = 0; column < count; ++column) {
                                 const char* name = sqlite3_column_name(statement, column);
                                 names->push_back(name != nullptr ? std::optional<std::string>(name)
                                                                  : std::nullopt);
                               }
                             }
                             Record row;
                             for (int column = 0; column < static_cast<int>(names->size()); ++column) {
                               const auto& name = (*names)[static_cast<size_t>(column)];
                               if (!name) {
                                 Monitor().logWithLevel(4, 34003, "Failed to get column name");
                                 continue;
                               }
                               auto value = valueAtColumn(column, statement);
                               if (!value) {
                                 Monitor().logWithLevel(4, 34004, "Value is nil for column", *name);
                                 continue;
                               }
                               row.insert_or_assign(*name, std::move(*value));
                             }
                             if (!withFilter(records.size(), row)) {
                               stoppedByFilter = true;
                               return false;
                             }
                             records.push_back(std::move(row));
                             return true;
                           });
  if (!read) return std::nullopt;
  if (records.empty() && stoppedByFilter) {
    Monitor().logWithLevel(4, 34005, "Database contains records that were all filtered out");
  }
  return records;
}

std::optional<platform::Value> APMSqliteStore::numberForQuery(const std::string& query,
                                                              const Parameters& parameterValues,
                                                              APMError* error, QueryText text) {
  if (!inputAccepted(error, {{query.empty(), "Received empty query to get numeric result"}},
                     "Query numeric result failed. Database not open.")) {
    return std::nullopt;
  }
  std::optional<platform::Value> value;
  auto read = runStatement(query, Pointers(parameterValues), ReuseFor(text), "query numeric result", error,
                           [&](sqlite3_stmt* statement) {
                             value = valueAtColumn(0, statement);
                             return false;  // the first row is the answer
                           },
                           /*rowRequired=*/true);
  if (!read) return std::nullopt;
  if (value && (value->isInteger() || value->isDouble())) return value;
  if (!value || !value->isNull()) APMSetError(error, 1, "Found result that was not numeric");
  return std::nullopt;
}

// ---- Transactions

bool APMSqliteStore::execOnOpen(const char* sql) {
  if (db_ == nullptr) return false;
  sqlite3_stmt*& statement = transactionStatements_[sql];
  if (statement == nullptr && sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    transactionStatements_.erase(sql);
    return false;
  }
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return rc == SQLITE_DONE;
}

bool APMSqliteStore::beginTransaction() { return execOnOpen("BEGIN EXCLUSIVE TRANSACTION"); }

bool APMSqliteStore::endTransaction() { return execOnOpen("END TRANSACTION"); }

bool APMSqliteStore::rollbackTransaction() { return execOnOpen("ROLLBACK"); }

bool APMSqliteStore::performTransactionWithError(APMError* error, const std::function<bool()>& block) {
  if (!inputAccepted(error, {{!block, "Received nil transaction block"}}, "Database not open")) return false;
  if (!beginTransaction()) {
    APMSetError(error, 3, "Failed to begin transaction");
    return false;
  }
  bool result = false;
  try {
    result = block();
  } catch (...) {
    if (!rollbackTransaction()) {
      Monitor().logWithLevel(1, 34009, "Failed to rollback transaction after exception");
    }
    throw;
  }
  if (!result) {
    APMSetError(error, 3, "Transaction failed");
    if (!rollbackTransaction()) Monitor().logWithLevel(1, 34011, "Failed to rollback transaction");
    return false;
  }
  if (!endTransaction()) {
    APMSetError(error, 3, "Failed to end transaction");
    // A failed commit leaves the transaction open; close it so the next one can begin.
    rollbackTransaction();
    return false;
  }
  return true;
}
