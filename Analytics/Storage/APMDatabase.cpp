#include "Analytics/Storage/APMDatabase.h"

#include <sqlite3.h>

#include "Analytics/Storage/APMMeasurementFiles.h"

namespace {

APMMonitor& Monitor() { return APMMeasurementMonitor(); }

// A broken schema or a corrupt file is beyond repair; anything else (busy,
// locked, I/O, full disk) may pass and must not cost the stored data.
bool IsUnrepairable(const APMError& error, int sqliteCode) {
  if (error.code() == 2 && (error.localizedDescription() == "Table is missing required columns" ||
                            error.localizedDescription() == "Table contains unknown non-optional columns")) {
    return true;
  }
  int primary = sqliteCode & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

}  // namespace

const std::vector<APMDatabase::TableDefinition>& APMDatabase::tableDefinitions() {
  static const auto* tables = new std::vector<TableDefinition>{
      {"app_metadata",
       {{"last_bundle_index", "INTEGER NOT NULL"}, {"last_bundle_end_timestamp", "REAL NOT NULL"}},
       {{"last_bundle_start_timestamp", "REAL"},
        {"day", "INTEGER"},
        {"daily_conversions_count", "INTEGER"},
        {"daily_events_count", "INTEGER"},
        {"daily_public_events_count", "INTEGER"},
        {"daily_error_events_count", "INTEGER"},
        {"remote_config_data", "BLOB"},
        {"remote_config_timestamp", "REAL"},
        {"daily_real_time_conversion_events_count", "INTEGER"}}},
      {"raw_events_metadata",
       {{"metadata_fingerprint", "INTEGER NOT NULL PRIMARY KEY"}, {"metadata", "BLOB NOT NULL"}},
       {}},
      {"raw_events",
       {{"name", "TEXT NOT NULL"},
        {"timestamp", "INTEGER NOT NULL"},
        {"metadata_fingerprint", "INTEGER NOT NULL"},
        {"data", "BLOB NOT NULL"}},
       {{"is_realtime", "INTEGER"}}},
      {"events",
       {{"name", "TEXT NOT NULL PRIMARY KEY"},
        {"lifetime_count", "INTEGER NOT NULL"},
        {"current_bundle_count", "INTEGER NOT NULL"},
        {"last_fire_timestamp", "REAL NOT NULL"}},
       {{"last_bundled_timestamp", "REAL"},
        {"last_sampled_complex_event_id", "INTEGER"},
        {"last_sampling_rate", "INTEGER"},
        {"last_exempt_from_sampling", "INTEGER"},
        {"last_bundled_day", "INTEGER"},
        {"current_session_count", "INTEGER"}}},
      {"user_attributes",
       {{"name", "TEXT NOT NULL PRIMARY KEY"}, {"set_timestamp", "REAL NOT NULL"}, {"value", "BLOB NOT NULL"}},
       {{"origin", "TEXT"}}},
      {"queue",
       {{"data", "BLOB NOT NULL"}, {"bundle_end_timestamp", "REAL NOT NULL"}},
       {{"is_realtime", "INTEGER"}, {"retry_count", "INTEGER"}}},
      {"event_filters",
       {{"audience_id", "INTEGER NOT NULL"},
        {"filter_id", "INTEGER NOT NULL"},
        {"event_name", "TEXT NOT NULL"},
        {"data", "BLOB NOT NULL"},
        {"PRIMARY KEY", "(audience_id, filter_id)"}},
       {{"session_scoped", "INTEGER"}}},
      {"property_filters",
       {{"audience_id", "INTEGER NOT NULL"},
        {"filter_id", "INTEGER NOT NULL"},
        {"property_name", "TEXT NOT NULL"},
        {"data", "BLOB NOT NULL"},
        {"PRIMARY KEY", "(audience_id, filter_id)"}},
       {{"session_scoped", "INTEGER"}}},
      {"audience_filter_values",
       {{"audience_id", "INTEGER NOT NULL PRIMARY KEY"}, {"current_results", "BLOB"}, {"previous_results", "BLOB"}},
       {}},
      {"purchase_transactions", {{"fingerprint", "TEXT NOT NULL PRIMARY KEY"}}, {}},
      {"subscriptions", {{"subscription_id", "TEXT NOT NULL PRIMARY KEY"}}, {}},
      {"conditional_properties",
       {{"name", "TEXT NOT NULL PRIMARY KEY"},
        {"origin", "TEXT NOT NULL"},
        {"value", "BLOB NOT NULL"},
        {"creation_timestamp", "REAL NOT NULL"},
        {"active", "INTEGER NOT NULL"},
        {"trigger_timeout", "REAL NOT NULL"},
        {"triggered_timestamp", "REAL NOT NULL"},
        {"time_to_live", "REAL NOT NULL"},
        {"trigger_event_name", "TEXT"},
        {"timed_out_event", "BLOB"},
        {"triggered_event", "BLOB"},
        {"expired_event", "BLOB"}},
       {}},
      {"main_event_params",
       {{"event_id", "INTEGER NOT NULL PRIMARY KEY"},
        {"children_to_process", "INTEGER NOT NULL"},
        {"main_event", "BLOB NOT NULL"}},
       {}},
  };
  return *tables;
}

const std::map<std::string, std::map<std::string, std::string>>& APMDatabase::modifiedColumns() {
  static const auto* modified =
      new std::map<std::string, std::map<std::string, std::string>>{{"raw_events", {{"timestamp", "REAL NOT NULL"}}}};
  return *modified;
}

std::unique_ptr<APMDatabase> APMDatabase::initWithDatabaseName(const std::string& name,
                                                               std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                               APMError* error) {
  if (name.empty()) {
    APMSetError(error, 1, "Received empty database name in init");
    return nullptr;
  }
  std::unique_ptr<APMDatabase> database(new APMDatabase(std::move(persistedConfig)));
  if (!database->initializeDatabaseResourcesWithContext("Init", APMMeasurementPath(name), error)) return nullptr;
  return database;
}

bool APMDatabase::initializeDatabaseResourcesWithContext(const std::string& context, const std::string& databasePath,
                                                         APMError* error) {
  sqliteStore_ = APMSqliteStore::initWithDatabasePath(databasePath, error);
  if (!sqliteStore_) return false;
  if (!ensureAllTables()) {
    Monitor().logWithLevel(1, 12002, "Failed to create or validate required database tables (" + context + ")");
    if (error != nullptr) *error = lastEnsureError_;
    if (IsUnrepairable(lastEnsureError_, lastEnsureSqliteCode_)) {
      // Closes first and takes the journal and WAL files along.
      if (!sqliteStore_->closeAndDeleteDatabase()) {
        Monitor().logWithLevel(4, 12003, "Failed to delete old database file after failed validation. Error (" +
                                             context + ")");
      }
    }
    sqliteStore_.reset();
    return false;
  }
  if (!initializeAppMetadata()) {
    Monitor().logWithLevel(1, 12004, "Failed to initialize App Metadata table (" + context + ")");
    return false;
  }
  return true;
}

bool APMDatabase::ensureAllTables() {
  lastEnsureError_ = APMError();
  lastEnsureSqliteCode_ = 0;
  for (const auto& table : tableDefinitions()) {
    auto modified = modifiedColumns().find(table.name);
    static const std::map<std::string, std::string> kNone;
    APMError error;
    bool ok = sqliteStore_->ensureTableWithName(table.name, table.elementary, table.addOns,
                                                modified == modifiedColumns().end() ? kNone : modified->second, &error);
    if (!ok) {
      lastEnsureSqliteCode_ = sqliteStore_->sqliteHandle() ? sqlite3_extended_errcode(sqliteStore_->sqliteHandle()) : 0;
      lastEnsureError_ = error;
      Monitor().logWithLevel(1, 12047, "Failed to ensure table. Table, error", table.name, error);
      return false;
    }
  }
  return true;
}

bool APMDatabase::initializeAppMetadata() {
  return performTransaction([this] {
    APMError error;
    auto rows = sqliteStore_->recordsForQuery("SELECT rowid FROM app_metadata WHERE rowid = ?", {platform::Value(1)},
                                              &error);
    if (!rows) return false;
    if (!rows->empty()) return true;
    return sqliteStore_->upsertRecord({{"rowid", platform::Value("1")},
                                       {"last_bundle_index", platform::Value(0)},
                                       {"last_bundle_start_timestamp", platform::Value(0.0)},
                                       {"last_bundle_end_timestamp", platform::Value(0.0)}},
                                      "app_metadata", &error);
  });
}

bool APMDatabase::reset(APMError* error) {
  std::string path = sqliteStore_ ? sqliteStore_->databasePath() : std::string();
  if (!sqliteStore_ || !sqliteStore_->closeAndDeleteDatabase()) {
    APMSetError(error, 2, "Failed to delete database data");
    return false;
  }
  return initializeDatabaseResourcesWithContext("Reset", path, error);
}

bool APMDatabase::performTransaction(const std::function<bool()>& block) {
  APMError error;
  bool ok = sqliteStore_->performTransactionWithError(&error, block);
  if (!ok) Monitor().logWithLevel(1, 12056, "Transaction failed. " + error.localizedDescription());
  return ok;
}

bool APMDatabase::insertDataType(const std::optional<APMSqliteStore::Record>& record,
                                 const std::string& inTableWithName, APMError* error) {
  if (inTableWithName.empty()) {
    APMSetError(error, 1, "Received empty table name for inserting");
    return false;
  }
  if (!record) {
    APMSetError(error, 2, "Failed to insert empty record");
    return false;
  }
  return sqliteStore_->upsertRecord(*record, inTableWithName, error);
}

bool APMDatabase::upsertDataType(const std::optional<APMSqliteStore::Record>& record,
                                 const std::string& inTableWithName, const std::string& columnName,
                                 const platform::Value& columnValue, int64_t tableLimit, APMError* error) {
  if (!record) {
    APMSetError(error, 1, "Received empty data type to upsert");
    return false;
  }
  if (inTableWithName.empty()) {
    APMSetError(error, 1, "Received empty table name for checking upsert");
    return false;
  }
  auto matching = sqliteStore_->rowCountForTableWithName(inTableWithName, columnName, columnValue, error);
  if (!matching) return false;
  auto all = sqliteStore_->rowCountForTableWithName(inTableWithName, error);
  if (!all) return false;
  if (*matching == 0 && *all >= tableLimit) {
    APMSetError(error, 2, "Failed to insert data type. Table is full");
    return false;
  }
  return sqliteStore_->upsertRecord(*record, inTableWithName, error);
}

bool APMDatabase::updateDataType(const std::optional<APMSqliteStore::Record>& record,
                                 const std::string& inTableWithName, const std::string& columnName,
                                 const platform::Value& columnValue, APMError* error) {
  if (!record) {
    APMSetError(error, 1, "Received empty data type to update");
    return false;
  }
  if (inTableWithName.empty()) {
    APMSetError(error, 1, "Received empty table name for updating");
    return false;
  }
  auto matching = sqliteStore_->rowCountForTableWithName(inTableWithName, columnName, columnValue, error);
  if (!matching) return false;
  if (*matching == 0) {
    APMSetError(error, 2, "Failed to update record. Item doesn't exist");
    return false;
  }
  return sqliteStore_->updateRecord(*record, inTableWithName, columnName, columnValue, error);
}
