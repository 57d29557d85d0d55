// The experiment snapshots of every registered SDK across launches, in an
// SQLite file of their own: the pending (fetched, not yet activated), the
// activated (in force, without the launched experiment) and the launched
// (only experiment 0) snapshot per SDK, one row each. Used only from the
// experiments worker queue; no lock of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMSqliteStore.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"

class APMEDatabase {
 public:
  static constexpr const char* kDatabaseName = "trivandel_experimentation_database.sql";
  static constexpr const char* kPendingTable = "pending_snapshot_table";
  static constexpr const char* kActivatedTable = "activated_snapshot_table";
  static constexpr const char* kLaunchedTable = "launched_snapshot_table";
  static constexpr int64_t kTableLimit = 100000;
  // Activated snapshots older than this are dropped at start.
  static constexpr double kStaleInterval = 259200;

  // None (logged) for a missing or empty path (810000) or when the file
  // cannot be opened with its tables.
  static std::unique_ptr<APMEDatabase> initWithPath(const std::optional<std::string>& path);
  ~APMEDatabase();
  APMEDatabase(const APMEDatabase&) = delete;
  APMEDatabase& operator=(const APMEDatabase&) = delete;

  // Opens the store and ensures the three tables. A corrupt file or a
  // broken schema is deleted with its companion files; any other failure
  // (busy, I/O) keeps the file and its snapshots for a later launch. Either
  // way the open fails.
  bool initializeDatabaseResourcesWithContext(const std::string& context, const std::string& databasePath);
  bool ensureAllTables();
  void closeAndDelete();
  // Deleted and opened again empty.
  void reset();
  // One exclusive transaction, rolled back when the block answers false.
  bool performTransaction(const std::function<bool()>& block);

  std::optional<std::vector<APMESnapshot>> fetchAllActivatedSnapshots(APMError* error);
  std::optional<std::vector<APMESnapshot>> fetchAllPendingSnapshots(APMError* error);
  std::optional<std::vector<APMESnapshot>> fetchAllLaunchedSnapshots(APMError* error);

  // Experiment 0 (the last one met) goes to the launched table, every other
  // experiment to the activated table (an empty snapshot when there is none,
  // so an earlier activation does not come back), both stamped with the
  // given time; then the SDK's pending rows up to that time go.
  bool activateSnapshot(const APMESnapshot* snapshot, double timestamp, APMError* error);
  bool deleteStaleActivatedSnapshots(APMError* error);
  // Activates every pending row not marked for manual activation.
  bool activatePendingSnapshotsAutomatically(APMError* error);
  bool upsertPendingExperimentSnapshots(const std::vector<APMESnapshot>& snapshots, APMError* error);
  // Refuses an empty name (code 1).
  bool deleteActivatedExperimentsOfSDKName(const std::string& SDKName, APMError* error);
  bool deletePendingExperimentsOfSDKName(const std::string& SDKName, APMError* error);
  bool deleteLaunchedExperimentSDKName(const std::string& SDKName, APMError* error);

  bool upsertSnapshot(const APMPBSnapshot& snapshot, const std::string& tableName, double timestamp,
                      std::optional<bool> manuallyActivated, APMError* error);
  std::optional<APMSqliteStore::Records> allDataTypesFromTableWithName(const std::string& tableName,
                                                                       int64_t tableLimit, APMError* error);
  bool deleteExperimentsOfSDKName(const std::string& SDKName, const std::string& tableName, APMError* error);

  // Null after a failed initialisation.
  APMSqliteStore* sqliteStore() const { return sqliteStore_.get(); }

 private:
  APMEDatabase() = default;
  std::optional<std::vector<APMESnapshot>> fetchAllSnapshots(const std::string& tableName, APMError* error);

  std::unique_ptr<APMSqliteStore> sqliteStore_;
  std::string databasePath_;
  // Why the last ensureAllTables failed, and the connection's SQLite code then.
  APMError lastEnsureError_;
  int lastEnsureSqliteCode_ = 0;
};
