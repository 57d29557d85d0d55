#include "Analytics/Storage/Experiments/APMEDatabase.h"

#include <sqlite3.h>

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESnapshotFields.h"
#include "Platform/Foundation/Clock.h"

namespace {

constexpr const char* kSDKNameColumn = "sdk_name";
constexpr const char* kProtoColumn = "snapshotProto";
constexpr const char* kTimestampColumn = "timestamp";
constexpr const char* kManuallyActivatedColumn = "manually_activated";

const APMSqliteStore::ColumnInfo& Columns() {
  static const auto* columns = new APMSqliteStore::ColumnInfo{{kSDKNameColumn, "TEXT NOT NULL PRIMARY KEY"},
                                                              {kProtoColumn, "BLOB NOT NULL"},
                                                              {kTimestampColumn, "REAL NOT NULL"},
                                                              {kManuallyActivatedColumn, "INTEGER"}};
  return *columns;
}

// A stored row as a snapshot; none when its bytes do not read as one.
std::optional<APMESnapshot> SnapshotFromRow(const APMSqliteStore::Record& row) {
  auto proto = row.find(kProtoColumn);
  if (proto == row.end() || proto->second.getBytes() == nullptr) return std::nullopt;
  auto message = APMPBSnapshot::initWithBuffer(*proto->second.getBytes());
  if (!message) return std::nullopt;
  auto snapshot = APMESnapshot::initWithProtobuf(*message);
  if (!snapshot) return std::nullopt;
  auto timestamp = row.find(kTimestampColumn);
  if (timestamp != row.end()) snapshot->setTimestamp(timestamp->second.getDouble().value_or(0));
  auto manual = row.find(kManuallyActivatedColumn);
  if (manual != row.end() && manual->second.isNumber()) {
    snapshot->setManuallyActivated(manual->second.getInt().value_or(0) != 0);
  }
  return snapshot;
}

}  // namespace

APMEDatabase::~APMEDatabase() = default;

std::unique_ptr<APMEDatabase> APMEDatabase::initWithPath(const std::optional<std::string>& path) {
  if (!path || path->empty()) {
    APMEManager::monitor().logWithLevel(1, 810000, "Cannot initialize the database with invalid path");
    return nullptr;
  }
  std::unique_ptr<APMEDatabase> database(new APMEDatabase);
  if (!database->initializeDatabaseResourcesWithContext("Init", *path)) return nullptr;
  return database;
}

bool APMEDatabase::initializeDatabaseResourcesWithContext(const std::string& context,
                                                          const std::string& databasePath) {
  databasePath_ = databasePath;
  APMError error;
  sqliteStore_ = APMSqliteStore::initWithDatabasePath(databasePath, &error);
  if (!sqliteStore_) {
    APMEManager::monitor().logWithLevel(1, 810001, "Failed to open database (" + context + ")", error);
    return false;
  }
  if (ensureAllTables()) return true;
  APMEManager::monitor().logWithLevel(1, 810002,
                                      "Failed to create or validate required database tables (" + context + ")");
  if (APMSqliteStore::isUnrepairableFailure(lastEnsureError_, lastEnsureSqliteCode_)) {
    // Closes first and takes the journal and WAL files along.
    if (!sqliteStore_->closeAndDeleteDatabase()) {
      APMEManager::monitor().logWithLevel(
          4, 810003, "Failed to delete old database file after failed validation. Error (" + context + ")",
          APMError::apm_errorWithCode(3, "Failed to delete database file"));
    }
  }
  sqliteStore_.reset();
  return false;
}

bool APMEDatabase::ensureAllTables() {
  lastEnsureError_ = APMError();
  lastEnsureSqliteCode_ = 0;
  for (const char* table : {kPendingTable, kActivatedTable, kLaunchedTable}) {
    APMError error;
    if (!sqliteStore_->ensureTableWithName(table, Columns(), {}, {}, &error)) {
      lastEnsureError_ = error;
      lastEnsureSqliteCode_ =
          sqliteStore_->sqliteHandle() ? sqlite3_extended_errcode(sqliteStore_->sqliteHandle()) : 0;
      APMEManager::monitor().logWithLevel(1, 810004, "Failed to ensure table. Table, error", table, error);
      return false;
    }
  }
  return true;
}

void APMEDatabase::closeAndDelete() {
  if (!sqliteStore_ || !sqliteStore_->closeAndDeleteDatabase()) {
    APMEManager::monitor().logWithLevel(4, 810005, "Failed to delete database data");
  }
}

void APMEDatabase::reset() {
  std::string path = sqliteStore_ ? sqliteStore_->databasePath() : databasePath_;
  closeAndDelete();
  if (!initializeDatabaseResourcesWithContext("Reset", path)) {
    APMEManager::monitor().logWithLevel(1, 810006, "Cannot re-initialize the database");
  }
}

bool APMEDatabase::performTransaction(const std::function<bool()>& block) {
  APMError error;
  bool ok = sqliteStore_ ? sqliteStore_->performTransactionWithError(&error, block)
                         : (APMSetError(&error, 2, "Database is not open"), false);
  if (!ok) APMEManager::monitor().logWithLevel(1, 810007, "Transaction failed. " + error.description());
  return ok;
}

std::optional<APMSqliteStore::Records> APMEDatabase::allDataTypesFromTableWithName(const std::string& tableName,
                                                                                   int64_t tableLimit,
                                                                                   APMError* error) {
  if (!sqliteStore_) {
    APMSetError(error, 2, "Database is not open");
    return std::nullopt;
  }
  return sqliteStore_->recordsForQuery(
      "SELECT rowid, * FROM " + tableName + " ORDER BY rowid LIMIT " + std::to_string(tableLimit), {}, error);
}

std::optional<std::vector<APMESnapshot>> APMEDatabase::fetchAllSnapshots(const std::string& tableName,
                                                                         APMError* error) {
  auto rows = allDataTypesFromTableWithName(tableName, kTableLimit, error);
  if (!rows) return std::nullopt;
  std::vector<APMESnapshot> snapshots;
  snapshots.reserve(rows->size());
  for (const auto& row : *rows) {
    auto snapshot = SnapshotFromRow(row);
    if (!snapshot) {
      APMSetError(error, 2, "Received an invalid snapshot from database");
      return std::nullopt;
    }
    snapshots.push_back(std::move(*snapshot));
  }
  return snapshots;
}

std::optional<std::vector<APMESnapshot>> APMEDatabase::fetchAllActivatedSnapshots(APMError* error) {
  return fetchAllSnapshots(kActivatedTable, error);
}

std::optional<std::vector<APMESnapshot>> APMEDatabase::fetchAllPendingSnapshots(APMError* error) {
  return fetchAllSnapshots(kPendingTable, error);
}

std::optional<std::vector<APMESnapshot>> APMEDatabase::fetchAllLaunchedSnapshots(APMError* error) {
  return fetchAllSnapshots(kLaunchedTable, error);
}

bool APMEDatabase::upsertSnapshot(const APMPBSnapshot& snapshot, const std::string& tableName, double timestamp,
                                  std::optional<bool> manuallyActivated, APMError* error) {
  if (!sqliteStore_) {
    APMSetError(error, 2, "Database is not open");
    return false;
  }
  auto bytes = snapshot.protoBuffer();
  if (!bytes) {
    APMSetError(error, 1, "Received a snapshot that does not encode");
    return false;
  }
  APMSqliteStore::Record row{{kSDKNameColumn, platform::Value(APMPBGetString(&snapshot, kSnapshotSDKName).value_or(""))},
                             {kTimestampColumn, platform::Value(timestamp)},
                             {kProtoColumn, platform::Value(std::move(*bytes))}};
  if (manuallyActivated) row[kManuallyActivatedColumn] = platform::Value(int64_t{*manuallyActivated ? 1 : 0});
  return sqliteStore_->upsertRecord(row, tableName, error);
}

bool APMEDatabase::upsertPendingExperimentSnapshots(const std::vector<APMESnapshot>& snapshots, APMError* error) {
  for (const APMESnapshot& snapshot : snapshots) {
    if (!upsertSnapshot(*snapshot.proto(), kPendingTable, snapshot.timestamp(), snapshot.manuallyActivated(),
                        error)) {
      return false;
    }
  }
  return true;
}

bool APMEDatabase::activateSnapshot(const APMESnapshot* snapshot, double timestamp, APMError* error) {
  if (snapshot == nullptr) {
    APMSetError(error, 1, "Received nil pending snapshot");
    return false;
  }
  std::optional<APMEExperiment> launched;
  std::vector<APMEExperiment> activated;
  for (APMEExperiment& experiment : snapshot->experiments()) {
    if (experiment.experimentID() == 0) {
      launched = std::move(experiment);
    } else {
      activated.push_back(std::move(experiment));
    }
  }
  const std::string& name = snapshot->SDKName();
  if (launched) {
    auto only = APMESnapshot::initWithSDKName(name, {*launched});
    if (!only || !upsertSnapshot(*only->proto(), kLaunchedTable, timestamp, std::nullopt, error)) return false;
  }
  auto inForce = APMESnapshot::initWithSDKName(name, activated);
  if (!inForce || !upsertSnapshot(*inForce->proto(), kActivatedTable, timestamp, std::nullopt, error)) return false;
  if (!sqliteStore_) return false;
  return sqliteStore_
      ->deleteRecordsFromTableWithName(kPendingTable, std::string(kSDKNameColumn) + " = ? AND " + kTimestampColumn + " <= ?",
                                       {platform::Value(name), platform::Value(timestamp)}, error)
      .has_value();
}

bool APMEDatabase::deleteStaleActivatedSnapshots(APMError* error) {
  if (!sqliteStore_) {
    APMSetError(error, 2, "Database is not open");
    return false;
  }
  double limit = platform::Clock::nowSeconds() - kStaleInterval;
  return sqliteStore_
      ->deleteRecordsFromTableWithName(kActivatedTable, std::string(kTimestampColumn) + " <= ?",
                                       {platform::Value(limit)}, error)
      .has_value();
}

bool APMEDatabase::activatePendingSnapshotsAutomatically(APMError* error) {
  if (!sqliteStore_) {
    APMSetError(error, 2, "Database is not open");
    return false;
  }
  auto rows = sqliteStore_->recordsForQuery(
      "SELECT rowid,* FROM pending_snapshot_table WHERE NOT manually_activated = ? ORDER BY rowid",
      {platform::Value(true)}, error);
  if (!rows) return false;
  for (const auto& row : *rows) {
    auto snapshot = SnapshotFromRow(row);
    if (!snapshot) {
      APMSetError(error, 2, "Received an invalid snapshot from database");
      return false;
    }
    if (!activateSnapshot(&*snapshot, snapshot->timestamp(), error)) return false;
    auto name = row.find(kSDKNameColumn);
    const std::string* text = name == row.end() ? nullptr : name->second.getString();
    if (!deletePendingExperimentsOfSDKName(text ? *text : snapshot->SDKName(), error)) return false;
  }
  return true;
}

bool APMEDatabase::deleteExperimentsOfSDKName(const std::string& SDKName, const std::string& tableName,
                                              APMError* error) {
  if (!sqliteStore_) {
    APMSetError(error, 2, "Database is not open");
    return false;
  }
  return sqliteStore_->deleteRecordFromTableWithName(tableName, kSDKNameColumn, platform::Value(SDKName), error);
}

bool APMEDatabase::deleteActivatedExperimentsOfSDKName(const std::string& SDKName, APMError* error) {
  if (SDKName.empty()) {
    APMSetError(error, 1, "Received empty SDK Name");
    return false;
  }
  return deleteExperimentsOfSDKName(SDKName, kActivatedTable, error);
}

bool APMEDatabase::deletePendingExperimentsOfSDKName(const std::string& SDKName, APMError* error) {
  return deleteExperimentsOfSDKName(SDKName, kPendingTable, error);
}

bool APMEDatabase::deleteLaunchedExperimentSDKName(const std::string& SDKName, APMError* error) {
  return deleteExperimentsOfSDKName(SDKName, kLaunchedTable, error);
}
