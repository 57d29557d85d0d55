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
#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMAppMetadata.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/APMSqliteStore.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"

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
  // (name, target) of the indexes made at every opening.
  static const std::vector<std::pair<std::string, std::string>>& indexDefinitions();

  // None (with the error) when the database cannot be opened. A file whose
  // tables fail validation is deleted first, so a second attempt starts fresh.
  // Shared: the remote configuration holds it weakly beside its owner.
  static std::shared_ptr<APMDatabase> initWithDatabaseName(const std::string& name,
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

 // Raw-event metadata (the shared bundle header of many raw events).
  bool insertIfNotExistsRawEventMetadata(const APMPBMeasurementBundle* metadata, APMError* error);
  std::shared_ptr<APMPBMeasurementBundle> queryRawEventsMetadataWithFingerprint(int64_t fingerprint,
                                                                                APMError* error);
  bool deleteRawEventMetadataWithMetadataFingerprint(int64_t fingerprint, APMError* error);
  bool deleteUnusedRawEventsMetadata(APMError* error);
  // The fingerprint of the oldest raw event; none without error when there is none.
  std::optional<platform::Value> nextMetadataFingerprintToProcess(APMError* error);

  // Raw events.
  bool insertRawEvent(const APMEvent* event, int64_t metadataFingerprint, bool isRealtime, APMError* error);
  std::optional<platform::Value> isRawEventsTableEmpty(APMError* error);
  std::optional<platform::Value> queryLatestRawEventTime(APMError* error);
  std::optional<platform::Value> containsRawEventWithMetadataFingerprint(int64_t fingerprint, APMError* error);
  std::optional<platform::Value> containsRealtimeRawEventsWithError(APMError* error);
  // Oldest first, at most 1000; rows that do not convert are skipped. None
  // when the query failed or every row found failed.
  std::optional<std::vector<APMRawEventData>> rawEventsWithMetadataFingerprint(
      int64_t fingerprint, APMError* error, const APMSqliteStore::RowFilter& eventFilter);
  static std::optional<APMRawEventData> rawEventDataFromDictionary(const APMSqliteStore::Record* row,
                                                                   APMError* error);
  bool deleteRawEventsWithMaxRowID(int64_t rowID, APMError* error);
  // Keeps the newest maxEventsStored - 1 rows; the number deleted.
  std::optional<int64_t> deleteRawEventsOverAbsoluteLimit(APMError* error);
  bool deleteStaleRawEventsDataOlderThanMaxAge(double maxAge, APMError* error);

  // The bundle queue. A bundle is handed out with its row ID.
  struct QueuedBundle {
    std::shared_ptr<APMPBMeasurementBundle> bundle;
    int64_t rowID;
  };
  std::optional<platform::Value> isQueuedBundleTableEmpty(APMError* error);
  bool insertBundle(const APMPBMeasurementBundle* bundle, bool isRealtime, APMError* error);
  std::optional<std::vector<QueuedBundle>> queryBundlesWithCountLimit(int64_t countLimit, int64_t sizeLimit,
                                                                      APMError* error);
  std::optional<std::vector<QueuedBundle>> queryBundlesWithRowIDs(const std::vector<platform::Value>& rowIDs,
                                                                  APMError* error);
  bool deleteBundlesWithRowIDs(const std::vector<platform::Value>& rowIDs, APMError* error);
  bool incrementRetryCounterForBundlesWithIDs(const std::vector<platform::Value>& rowIDs, APMError* error);
  // True when a sweep ran, false when none was due; none on failure.
  std::optional<bool> maybeDeleteStaleData(APMError* error);
  bool deleteStaleBundlesOlderThanMaxAge(double maxAge, APMError* error);
  std::optional<platform::Value> queryLatestBundleTime(APMError* error);
  std::optional<platform::Value> containsRealtimeBundlesWithError(APMError* error);

  // App metadata, daily counts and the stored measurement configuration
  // (the one app_metadata row).
  std::optional<APMAppMetadata> queryAppMetadata(APMError* error);
  bool updateAppMetadata(const APMAppMetadata* appMetadata, APMError* error);
  std::optional<APMDailyCounts> dailyCounts(APMError* error);
  bool updateDailyCounts(const APMDailyCounts* dailyCounts, APMError* error);
  bool updateRemoteConfig(const APMPBMeasurementConfig* config, APMError* error);
  bool updateRemoteConfigSuccessfulTimestamp(double timestamp, APMError* error);
  // None without error when nothing usable is stored.
  std::shared_ptr<APMPBMeasurementConfig> queryMeasurementConfigWithError(APMError* error);
  std::optional<platform::Value> lastRemoteConfigUpdateTimestamp(APMError* error);

  // Event aggregates (the events table).
  std::optional<platform::Value> publicEventCount(APMError* error);
  std::optional<std::vector<APMEventAggregates>> allEventAggregates(APMError* error);
  std::optional<APMEventAggregates> eventAggregatesWithName(const std::string& name, APMError* error);
  bool updateEventAggregates(const APMEventAggregates* aggregates, APMError* error);
  bool clearCurrentSessionCounts(APMError* error);

  // User properties.
  std::optional<platform::Value> publicUserAttributeCount(APMError* error);
  std::optional<platform::Value> userAttributeCountForOrigin(const std::string& origin, APMError* error);
  std::optional<platform::Value> containsUserAttributeWithName(const std::string& name, APMError* error);
  std::optional<APMUserAttribute> userAttributeWithName(const std::string& name, APMError* error);
  // Names that begin with "_ltv_" (the underscores literal), newest first;
  // none when any row does not convert.
  std::optional<std::vector<APMUserAttribute>> allLifetimeValueUserAttributes(APMError* error);
  std::optional<std::vector<APMUserAttribute>> userAttributesIncludingInternal(bool includeInternal,
                                                                             APMError* error);
  bool updateUserAttribute(const APMUserAttribute* attribute, APMError* error);
  bool deleteUserAttributeWithName(const std::string& name, APMError* error);

  // Audience filters and their results.
  std::optional<std::vector<int32_t>> allAudienceIDs(APMError* error);
  std::optional<std::vector<APMEventFilter>> eventFiltersForEventName(const std::string& name, APMError* error);
  std::optional<std::vector<APMPropertyFilter>> propertyFiltersForPropertyName(const std::string& name,
                                                                               APMError* error);
  // Audience ID -> its session-scoped filter IDs, in row order.
  std::optional<std::map<int32_t, std::vector<int32_t>>> allSessionScopedFilters(APMError* error);
  // Stops at the first failure; what was written stays (the caller's transaction decides).
  bool updateEventFilters(const std::vector<APMEventFilter>& filters, APMError* error);
  bool updatePropertyFilters(const std::vector<APMPropertyFilter>& filters, APMError* error);
  bool deleteEventFilters(const std::vector<APMEventFilter>& filters, APMError* error);
  bool deletePropertyFilters(const std::vector<APMPropertyFilter>& filters, APMError* error);
  bool deleteAllEventFilters(APMError* error);
  bool deleteAllPropertyFilters(APMError* error);
  std::optional<std::map<int32_t, APMFilterResult>> allFilterResults(APMError* error);
  std::optional<APMFilterResult> filterResultForAudienceID(int32_t audienceID, APMError* error);
  bool updateFilterResults(const std::vector<APMFilterResult>& results, APMError* error);
  bool deleteFilterResults(const std::vector<APMFilterResult>& results, APMError* error);

  // Conditional user properties.
  std::optional<APMConditionalUserProperty> conditionalUserPropertyWithName(const std::string& name,
                                                                           APMError* error);
  // The row is exactly the record (absent events and trigger name are NULL).
  bool updateConditionalUserProperty(const APMConditionalUserProperty* property, APMError* error);
  bool deleteConditionalUserPropertyWithName(const std::string& name, APMError* error);
  std::optional<std::vector<APMConditionalUserProperty>> timedOutConditionalUserPropertiesWithError(
      APMError* error);
  std::optional<std::vector<APMConditionalUserProperty>> expiredConditionalUserPropertiesWithError(APMError* error);
  std::optional<std::vector<APMConditionalUserProperty>> triggeredConditionalUserPropertiesWithEventName(
      const std::string& eventName, APMError* error);
  // Origin matched whole, name by prefix; "!", "%" and "_" in either match themselves.
  std::optional<std::vector<APMConditionalUserProperty>> conditionalUserPropertiesWithPrefix(
      const std::string& namePrefix, const std::string& filterByOrigin, APMError* error);
  std::optional<std::vector<APMConditionalUserProperty>> conditionalUserPropertiesWithCondition(
      const std::string& condition, const APMSqliteStore::Parameters& parameterValues, APMError* error);

  // Purchases and subscriptions: true when newly recorded.
  std::optional<bool> insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint, APMError* error);
  bool deletePurchaseFingerprints(const std::vector<std::string>& fingerprints, APMError* error);
  std::optional<bool> insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID, APMError* error);
  std::optional<int64_t> deleteSubscriptionsOverLimit(APMError* error);

  // The main event of a complex event while its children are evaluated.
  bool updateComplexEventForAudienceEvaluationWithEventID(int64_t eventID, int64_t childEventCount,
                                                          const APMEvent* mainEvent, APMError* error);
  struct MainEventAndChildCount {
    std::shared_ptr<const APMEvent> mainEvent;
    int64_t childCount;
  };
  std::optional<MainEventAndChildCount> mainEventAndChildCountPairWithEventID(int64_t eventID, APMError* error);
  bool deleteComplexEventForAudienceEvaluationWithEventID(int64_t eventID, APMError* error);

  // Tests only: replaces the inflation of queued bundles.
  using Inflater = std::function<platform::Result<platform::Bytes>(const platform::Bytes&)>;
  void setInflaterForTesting(Inflater inflater) { inflater_ = std::move(inflater); }

 private:
  explicit APMDatabase(std::shared_ptr<APMPersistedConfig> persistedConfig)
      : persistedConfig_(std::move(persistedConfig)) {}

  void enableWriteAheadLogging();
  void ensureIndexes();
  // A decoded queue row; none (with the error) when it cannot be decoded,
  // with *undecodable set when the row can never decode (and may go).
  std::optional<QueuedBundle> bundleFromRow(const APMSqliteStore::Record& row, bool* undecodable,
                                            APMError* error);
  std::optional<std::vector<QueuedBundle>> decodedBundles(const APMSqliteStore::Records& rows);
  // The row's bundle; an undecodable row is logged and its ID added to
  // undecodableRowIDs for deletion.
  std::optional<QueuedBundle> decodedBundle(const APMSqliteStore::Record& row,
                                            std::vector<platform::Value>* undecodableRowIDs);
  void deleteUndecodableBundles(const std::vector<platform::Value>& rowIDs);
  void noteRawEventRowsChanged(int64_t delta);
  // An answer about the queue or raw_events table (emptiness, latest time,
  // any real-time row) that the upload schedule asks after every event,
  // kept while the table's stamp holds.
  struct CachedAnswer {
    std::optional<APMSqliteStore::TableStamp> stamp;
    std::optional<platform::Value> value;
  };
  std::optional<platform::Value> cachedAnswer(CachedAnswer& cache, const std::string& table,
                                              const std::function<std::optional<platform::Value>(APMError*)>& query,
                                              APMError* error);
  // After one raw event row was inserted and nothing else moved the stamp:
  // the answers it cannot change, or changes knowably, stay.
  void keepRawEventAnswers(const APMSqliteStore::TableStamp& before, const APMSqliteStore::TableStamp& after,
                           double timestamp, bool isRealtime);

  Inflater inflater_;
  std::unique_ptr<APMSqliteStore> sqliteStore_;
  // Rows of raw_events as last counted and adjusted since; none when unknown.
  std::optional<int64_t> rawEventCount_;
  CachedAnswer rawEventsEmpty_;
  CachedAnswer latestRawEventTime_;
  CachedAnswer realtimeRawEvents_;
  CachedAnswer queueEmpty_;
  CachedAnswer latestBundleTime_;
  CachedAnswer realtimeBundles_;
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  APMError lastEnsureError_;
  int lastEnsureSqliteCode_ = 0;
};
