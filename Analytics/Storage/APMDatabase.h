// The engine's measurement database: one SQLite file in the measurement
// directory holding raw events, the bundle queue, aggregates, app metadata,
// user properties, audience filters and the other engine tables. Owns the
// table definitions, opening with validation (a file whose schema is broken
// is replaced; one that is merely busy or unreadable is kept), reset,
// transactions and the generic record operations. Used from the engine's
// worker queue only; no lock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMSqliteStore.h"

class APMPersistedConfig;

class APMDatabase {
 public:
  static constexpr const char* kDatabaseName = "trivandel-app-measurement.sql";

  struct TableDefinition {
    std::string name;
    APMSqliteStore::ColumnInfo elementary;
    APMSqliteStore::ColumnInfo addOns;
  };
  // Every table in definition order, and the one modified column.
  static const std::vector<TableDefinition>& tableDefinitions();
  static const std::map<std::string, std::map<std::string, std::string>>& modifiedColumns();

  // None (with the error) when the database cannot be opened. A file whose
  // tables fail validation is deleted first, so a second attempt starts fresh.
  static std::unique_ptr<APMDatabase> initWithDatabaseName(const std::string& name,
                                                          std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                          APMError* error);

  bool initializeDatabaseResourcesWithContext(const std::string& context, const std::string& databasePath,
                                              APMError* error);
  bool ensureAllTables();
  // Makes sure the one app-metadata row (rowid 1) exists.
  bool initializeAppMetadata();
  bool reset(APMError* error);
  bool performTransaction(const std::function<bool()>& block);

  APMSqliteStore& sqliteStore() { return *sqliteStore_; }
  const std::shared_ptr<APMPersistedConfig>& persistedConfig() const { return persistedConfig_; }

  // Generic record operations.
  template <typename T>
  using CreateBlock = std::function<std::optional<T>(const APMSqliteStore::Record&, APMError*)>;

  template <typename T>
  std::optional<std::vector<T>> allDataTypesFromTableWithName(const std::string& tableName, int64_t tableLimit,
                                                              APMError* error, const CreateBlock<T>& block) {
    if (!block) {
      APMSetError(error, 1, "Received nil block to get all data types");
      return std::nullopt;
    }
    auto rows = sqliteStore_->recordsForQuery(
        "SELECT rowid, * FROM " + tableName + " ORDER BY rowid LIMIT " + std::to_string(tableLimit), {}, error);
    if (!rows) return std::nullopt;
    std::vector<T> out;
    for (const auto& row : *rows) {
      if (auto item = block(row, error)) out.push_back(std::move(*item));
    }
    return out;
  }

  template <typename T>
  std::optional<std::vector<T>> dataTypesFromTableWithName(const std::string& tableName,
                                                           const std::string& columnName,
                                                           const std::optional<platform::Value>& columnValue,
                                                           APMError* error, const CreateBlock<T>& block) {
    if (tableName.empty()) {
      APMSetError(error, 1, "Received empty table name to create data type from table");
      return std::nullopt;
    }
    if (columnName.empty()) {
      APMSetError(error, 1, "Received empty column name to create data type from table");
      return std::nullopt;
    }
    if (!columnValue) {
      APMSetError(error, 1, "Received nil column value to create data type from table");
      return std::nullopt;
    }
    if (!block) {
      APMSetError(error, 2, "Received nil block to create data type from table");
      return std::nullopt;
    }
    auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM " + tableName + " WHERE " + columnName + " = ?",
                                              {*columnValue}, error);
    if (!rows) return std::nullopt;
    std::vector<T> out;
    for (const auto& row : *rows) {
      if (auto item = block(row, error)) out.push_back(std::move(*item));
    }
    if (!rows->empty() && out.empty()) {
      APMSetError(error, 2, "Failed to initialize data types from dictionaries");
      return std::nullopt;
    }
    return out;
  }

  bool insertDataType(const std::optional<APMSqliteStore::Record>& record, const std::string& inTableWithName,
                      APMError* error);
  bool upsertDataType(const std::optional<APMSqliteStore::Record>& record, const std::string& inTableWithName,
                      const std::string& columnName, const platform::Value& columnValue, int64_t tableLimit,
                      APMError* error);
  bool updateDataType(const std::optional<APMSqliteStore::Record>& record, const std::string& inTableWithName,
                      const std::string& columnName, const platform::Value& columnValue, APMError* error);

 private:
  explicit APMDatabase(std::shared_ptr<APMPersistedConfig> persistedConfig)
      : persistedConfig_(std::move(persistedConfig)) {}

  std::unique_ptr<APMSqliteStore> sqliteStore_;
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  APMError lastEnsureError_;
  int lastEnsureSqliteCode_ = 0;
};
