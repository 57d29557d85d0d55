#include "Analytics/Storage/APMDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"
#include "Analytics/Protobuf/APMPBEventFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMAppMetadata.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"
#include "Analytics/Storage/Config/APMConfigFields.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/SaturatingCast.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"

namespace {

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

std::shared_ptr<APMDatabase> APMDatabase::initWithDatabaseName(const std::string& name,
                                                               std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                               APMError* error) {
  if (name.empty()) {
    APMSetError(error, 1, "Received empty database name in init");
    return nullptr;
  }
  std::shared_ptr<APMDatabase> database(new APMDatabase(std::move(persistedConfig)));
  if (!database->initializeDatabaseResourcesWithContext("Init", APMMeasurementPath(name), error)) return nullptr;
  return database;
}

bool APMDatabase::initializeDatabaseResourcesWithContext(const std::string& context, const std::string& databasePath,
                                                         APMError* error) {
  sqliteStore_ = APMSqliteStore::initWithDatabasePath(databasePath, error);
  if (!sqliteStore_) return false;
  sqliteStore_->watchTable("raw_events");
  sqliteStore_->watchTable("queue");
  rawEventCount_.reset();
  enableWriteAheadLogging();
  if (!ensureAllTables()) {
    Monitor().logWithLevel(1, 12002, "Failed to create or validate required database tables (" + context + ")");
    if (error != nullptr) *error = lastEnsureError_;
    if (APMSqliteStore::isUnrepairableFailure(lastEnsureError_, lastEnsureSqliteCode_)) {
      // Closes first and takes the journal and WAL files along.
      if (!sqliteStore_->closeAndDeleteDatabase()) {
        Monitor().logWithLevel(4, 12003, "Failed to delete old database file after failed validation. Error (" +
                                             context + ")");
      }
    }
    sqliteStore_.reset();
    return false;
  }
  ensureIndexes();
  if (!initializeAppMetadata()) {
    Monitor().logWithLevel(1, 12004, "Failed to initialize App Metadata table (" + context + ")");
    return false;
  }
  return true;
}

const std::vector<std::pair<std::string, std::string>>& APMDatabase::indexDefinitions() {
  static const auto* indexes = new std::vector<std::pair<std::string, std::string>>{
      {"raw_events_timestamp", "raw_events (timestamp)"},
      {"raw_events_fingerprint", "raw_events (metadata_fingerprint)"},
      {"queue_end_timestamp", "queue (bundle_end_timestamp)"},
      {"raw_events_realtime", "raw_events (is_realtime) WHERE is_realtime = 1"},
      {"queue_realtime", "queue (is_realtime) WHERE is_realtime = 1"},
  };
  return *indexes;
}

void APMDatabase::enableWriteAheadLogging() {
  // Commits then survive a killed process without a journal write per event.
  APMError error;
  auto mode = sqliteStore_->executePragma("PRAGMA journal_mode=WAL", &error);
  const std::string* text = mode ? mode->getString() : nullptr;
  bool enabled = text != nullptr && *text == "wal";
  if (enabled) enabled = sqliteStore_->executePragma("PRAGMA synchronous=NORMAL", &error).has_value();
  if (!enabled) {
    Monitor().logWithLevel(4, 12059, "Unable to enable write-ahead logging. Journal mode",
                           text != nullptr ? APMLogContext(*text) : APMLogContext(error));
  }
}

void APMDatabase::ensureIndexes() {
  // After the tables: a rebuilt table lost its indexes with the old copy.
  for (const auto& [name, target] : indexDefinitions()) {
    APMError error;
    if (!sqliteStore_->executeSQL("CREATE INDEX IF NOT EXISTS " + name + " ON " + target, &error)) {
      Monitor().logWithLevel(4, 12060, "Failed to create index. Index, error", name, error);
    }
  }
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
  if (!ok) {
    // The rows counted inside may have been rolled back.
    rawEventCount_.reset();
    Monitor().logWithLevel(1, 12056, "Transaction failed. " + error.localizedDescription());
  }
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

// ---- Raw events, their metadata and the bundle queue ----

namespace {

// Field indexes of the messages read and written here.
using namespace apm_bundle_fields;
using namespace apm_event_fields;

constexpr int64_t kRawEventMetadataLimit = 100000;
constexpr int64_t kRawEventsReadLimit = 1000;
constexpr int32_t kRetryCountCeiling = 2147483647;

std::shared_ptr<APMRemoteConfig> RemoteConfig() { return APMEngineHooks::remoteConfig(); }

// A present, non-NULL column.
const platform::Value* Column(const APMSqliteStore::Record& row, const char* name) {
  auto it = row.find(name);
  return it == row.end() || it->second.isNull() ? nullptr : &it->second;
}

std::optional<platform::Value> Number(APMSqliteStore& store, const std::string& query,
                                      const APMSqliteStore::Parameters& parameters, APMError* error) {
  return store.numberForQuery(query, parameters, error);
}

// A text with a literal condition that never varies: its statement is cached.
std::optional<platform::Value> FixedNumber(APMSqliteStore& store, const std::string& query, APMError* error) {
  return store.numberForQuery(query, {}, error, APMSqliteStore::QueryText::kFixed);
}

// "rowid IN (?,?,...)" with the IDs bound in order.
std::optional<std::string> RowIDCondition(const std::vector<platform::Value>& rowIDs, APMError* error) {
  if (rowIDs.empty()) {
    APMSetError(error, 3, "Received empty row IDs to process");
    return std::nullopt;
  }
  std::string placeholders;
  for (const auto& id : rowIDs) {
    if (!id.isInteger() && !id.isDouble()) {
      APMSetError(error, 3, "Received invalid type for row ID to process");
      return std::nullopt;
    }
    placeholders += placeholders.empty() ? "?" : ",?";
  }
  return "rowid IN (" + placeholders + ")";
}

// One stored event parameter as {name: value}; an array element (nested)
// comes back as the element's own dictionary under "".
std::optional<APMEvent::Parameters> ConvertParam(const APMPBEventParam* param, bool nested, APMError* error) {
  if (param == nullptr) {
    APMSetError(error, 1, "Failed to parse empty event params data");
    return std::nullopt;
  }
  std::string name = APMPBGetString(param, kParamName).value_or("");
  if (!nested && name.empty()) {
    APMSetError(error, 1, "Event parameter name is empty");
    return std::nullopt;
  }
  if (APMPBHasField(param, kParamString)) {
    return APMEvent::Parameters{{name, APMValue(APMPBGetString(param, kParamString).value_or(""))}};
  }
  if (APMPBHasField(param, kParamInt)) return APMEvent::Parameters{{name, APMValue(APMPBGetInt64(param, kParamInt))}};
  if (APMPBHasField(param, kParamDouble)) {
    return APMEvent::Parameters{{name, APMValue(APMPBGetDouble(param, kParamDouble))}};
  }
  auto children = APMPBGetMessageArray<APMPBEventParam>(param, kParamNested);
  if (!children.empty()) {
    if (!nested) {
      platform::Value::Array elements;
      for (const auto& child : children) {
        APMError ignored;
        auto element = ConvertParam(child.get(), true, &ignored);
        if (!element) continue;
        platform::Value::Dictionary plain;
        for (const auto& [key, value] : *element) plain[key] = value.plainValue();
        elements.push_back(platform::Value(std::move(plain)));
      }
      return APMEvent::Parameters{{name, APMValue(std::move(elements))}};
    }
    APMEvent::Parameters element;
    for (const auto& child : children) {
      std::string childName = APMPBGetString(child.get(), kParamName).value_or("");
      APMError ignored;
      auto converted = ConvertParam(child.get(), true, &ignored);
      if (converted && converted->size() == 1 && converted->begin()->first == childName &&
          !converted->begin()->second.isArray()) {
        element.insert_or_assign(childName, converted->begin()->second);
      }
    }
    return element;
  }
  // A named parameter without any value is how an empty array is written;
  // refusing it would make the whole stored event unreadable.
  if (!nested) return APMEvent::Parameters{{name, APMValue(platform::Value::Array{})}};
  APMSetError(error, 2, "Failed to parse invalid event params data");
  return std::nullopt;
}

// The string, integer or double of a parameter, as ConvertParam reads it
// first; the string is moved out. None for arrays and empty parameters.
std::optional<APMValue> TakeScalarParam(APMPBEventParam* param) {
  if (APMPBHasField(param, kParamString)) return APMValue(APMPBTakeString(param, kParamString).value_or(""));
  if (APMPBHasField(param, kParamInt)) return APMValue(APMPBGetInt64(param, kParamInt));
  if (APMPBHasField(param, kParamDouble)) return APMValue(APMPBGetDouble(param, kParamDouble));
  return std::nullopt;
}

}  // namespace

void APMDatabase::noteRawEventRowsChanged(int64_t delta) {
  if (rawEventCount_) *rawEventCount_ = std::max<int64_t>(0, *rawEventCount_ + delta);
}

bool APMDatabase::insertIfNotExistsRawEventMetadata(const APMPBMeasurementBundle* metadata, APMError* error) {
  auto bytes = metadata != nullptr ? metadata->protoBuffer() : std::nullopt;
  if (!bytes) {
    APMSetError(error, 3, "Received empty measurement bundle metadata for getting dictionary representation");
    return false;
  }
  int64_t fingerprint = apm_64LSBMD5(*bytes);
  APMError queryError;
  if (queryRawEventsMetadataWithFingerprint(fingerprint, &queryError)) return true;
  return upsertDataType(APMSqliteStore::Record{{"metadata_fingerprint", platform::Value(fingerprint)},
                                               {"metadata", platform::Value(std::move(*bytes))}},
                        "raw_events_metadata", "metadata_fingerprint", platform::Value(fingerprint),
                        kRawEventMetadataLimit, error);
}

std::shared_ptr<APMPBMeasurementBundle> APMDatabase::queryRawEventsMetadataWithFingerprint(int64_t fingerprint,
                                                                                           APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM raw_events_metadata WHERE metadata_fingerprint = ?",
                                            {platform::Value(fingerprint)}, error);
  if (!rows || rows->empty()) return nullptr;
  const platform::Value* metadata = Column(rows->front(), "metadata");
  const platform::Bytes* bytes = metadata != nullptr ? metadata->getBytes() : nullptr;
  if (bytes == nullptr || bytes->empty()) {
    APMSetError(error, 3, "Event metadata should not be empty for getting measurement bundle");
    return nullptr;
  }
  return APMPBMeasurementBundle::initWithBuffer(*bytes);
}

bool APMDatabase::deleteRawEventMetadataWithMetadataFingerprint(int64_t fingerprint, APMError* error) {
  return sqliteStore_
      ->deleteRecordsFromTableWithName("raw_events_metadata", "metadata_fingerprint == ?",
                                       {platform::Value(fingerprint)}, error)
      .has_value();
}

bool APMDatabase::deleteUnusedRawEventsMetadata(APMError* error) {
  return sqliteStore_
      ->deleteRecordsFromTableWithName(
          "raw_events_metadata", "metadata_fingerprint NOT IN (SELECT DISTINCT metadata_fingerprint FROM raw_events)",
          {}, error)
      .has_value();
}

std::optional<platform::Value> APMDatabase::nextMetadataFingerprintToProcess(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT metadata_fingerprint, MIN(rowid) FROM raw_events", {}, error);
  if (!rows) return std::nullopt;
  if (rows->size() != 1) {
    APMSetError(error, 2, "Only one event metadata should be processed");
    return std::nullopt;
  }
  const platform::Value* fingerprint = Column(rows->front(), "metadata_fingerprint");
  if (fingerprint == nullptr) return std::nullopt;
  return *fingerprint;
}

bool APMDatabase::insertRawEvent(const APMEvent* event, int64_t metadataFingerprint, bool isRealtime,
                                 APMError* error) {
  if (event == nullptr) {
    APMSetError(error, 1, "Received empty event for inserting in the database");
    return false;
  }
  auto proto = event->protoEvent();
  APMPBClearField(proto.get(), kEventName);
  auto bytes = proto->protoBuffer();
  if (!bytes) {
    APMSetError(error, 3, "Received empty raw event data for getting dictionary representation");
    return false;
  }
  // A NaN time is no REAL SQLite keeps: it becomes NULL and fails NOT NULL.
  const std::optional<APMSqliteStore::TableStamp> before = sqliteStore_->ownStampOfTable("raw_events");
  bool ok = insertDataType(APMSqliteStore::Record{{"name", platform::Value(event->name())},
                                                  {"timestamp", std::isnan(event->timestamp())
                                                                    ? platform::Value()
                                                                    : platform::Value(event->timestamp())},
                                                  {"metadata_fingerprint", platform::Value(metadataFingerprint)},
                                                  {"data", platform::Value(std::move(*bytes))},
                                                  {"is_realtime", platform::Value(isRealtime ? 1 : 0)}},
                           "raw_events", error);
  if (ok) {
    noteRawEventRowsChanged(1);
    const std::optional<APMSqliteStore::TableStamp> after = sqliteStore_->ownStampOfTable("raw_events");
    if (before && after) keepRawEventAnswers(*before, *after, event->timestamp(), isRealtime);
  }
  return ok;
}

std::optional<platform::Value> APMDatabase::cachedAnswer(
    CachedAnswer& cache, const std::string& table,
    const std::function<std::optional<platform::Value>(APMError*)>& query, APMError* error) {
  const std::optional<APMSqliteStore::TableStamp> stamp = sqliteStore_->stampOfTable(table);
  if (stamp && cache.stamp == stamp) return cache.value;
  APMError queryError;
  std::optional<platform::Value> value = query(&queryError);
  // No value and no error is an answer too (an empty table has no latest time).
  const bool answered = value.has_value() || queryError == APMError{};
  cache.stamp = answered ? stamp : std::nullopt;
  cache.value = answered ? value : std::nullopt;
  if (error != nullptr && !answered) *error = queryError;
  return value;
}

void APMDatabase::keepRawEventAnswers(const APMSqliteStore::TableStamp& before,
                                      const APMSqliteStore::TableStamp& after, double timestamp, bool isRealtime) {
  const bool onlyThisRow = after.unseen == before.unseen && after.writes == before.writes + 1;
  auto keep = [&](CachedAnswer& cache, bool stillTrue, const std::optional<platform::Value>& value) {
    const bool heldBefore = cache.stamp && cache.stamp->unseen == before.unseen && cache.stamp->writes == before.writes;
    if (!onlyThisRow || !heldBefore || !stillTrue) {
      cache.stamp.reset();
      return;
    }
    cache.stamp->writes = after.writes;
    cache.value = value;
  };
  keep(rawEventsEmpty_, true, platform::Value(int64_t{0}));
  keep(realtimeRawEvents_, true, isRealtime ? platform::Value(int64_t{1}) : realtimeRawEvents_.value);
  // A later time would be stored as the column's type has it: asked again then.
  const std::optional<double> latest =
      latestRawEventTime_.value ? latestRawEventTime_.value->numberAsDouble() : std::nullopt;
  keep(latestRawEventTime_, std::isnan(timestamp) || (latest && timestamp <= *latest), latestRawEventTime_.value);
}

std::optional<platform::Value> APMDatabase::isRawEventsTableEmpty(APMError* error) {
  return cachedAnswer(rawEventsEmpty_, "raw_events", [this](APMError* queryError) {
    return Number(*sqliteStore_, "SELECT NOT EXISTS (SELECT 1 FROM raw_events LIMIT 1)", {}, queryError);
  }, error);
}

std::optional<platform::Value> APMDatabase::queryLatestRawEventTime(APMError* error) {
  return cachedAnswer(latestRawEventTime_, "raw_events", [this](APMError* queryError) {
    return Number(*sqliteStore_, "SELECT MAX(timestamp) FROM raw_events", {}, queryError);
  }, error);
}

std::optional<platform::Value> APMDatabase::containsRawEventWithMetadataFingerprint(int64_t fingerprint,
                                                                                    APMError* error) {
  return Number(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = ? LIMIT 1)",
                {platform::Value(fingerprint)}, error);
}

std::optional<platform::Value> APMDatabase::containsRealtimeRawEventsWithError(APMError* error) {
  return cachedAnswer(realtimeRawEvents_, "raw_events", [this](APMError* queryError) {
    return FixedNumber(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM raw_events WHERE is_realtime = 1 LIMIT 1)",
                       queryError);
  }, error);
}

std::optional<std::vector<APMRawEventData>> APMDatabase::rawEventsWithMetadataFingerprint(
    int64_t fingerprint, APMError* error, const APMSqliteStore::RowFilter& eventFilter) {
  auto rows = sqliteStore_->recordsForQuery(
      "SELECT rowid, * FROM raw_events WHERE metadata_fingerprint = ? ORDER BY rowid ASC LIMIT ?",
      {platform::Value(fingerprint), platform::Value(kRawEventsReadLimit)}, error, eventFilter);
  if (!rows) return std::nullopt;
  std::vector<APMRawEventData> events;
  events.reserve(rows->size());
  for (const auto& row : *rows) {
    if (auto event = rawEventDataFromDictionary(&row, error)) events.push_back(std::move(*event));
  }
  if (!rows->empty() && events.empty()) return std::nullopt;
  return events;
}

std::optional<APMRawEventData> APMDatabase::rawEventDataFromDictionary(const APMSqliteStore::Record* row,
                                                                       APMError* error) {
  if (row == nullptr) {
    APMSetError(error, 1, "Received empty dictionary for getting raw event data");
    return std::nullopt;
  }
  const platform::Value* rowID = Column(*row, "rowid");
  if (rowID == nullptr) {
    APMSetError(error, 1, "Unable to find row ID in the database dictionary");
    return std::nullopt;
  }
  const platform::Value* data = Column(*row, "data");
  if (data == nullptr) {
    APMSetError(error, 1, "Unable to find event data in the database dictionary");
    return std::nullopt;
  }
  const platform::Value* fingerprint = Column(*row, "metadata_fingerprint");
  if (fingerprint == nullptr) {
    APMSetError(error, 1, "Unable to find event metadata in the database dictionary");
    return std::nullopt;
  }
  const platform::Bytes* bytes = data->getBytes();
  auto proto = bytes != nullptr ? APMPBEvent::initWithBuffer(*bytes) : nullptr;
  if (!proto) {
    APMSetError(error, 3, "Failed to parse event from data");
    return std::nullopt;
  }
  const platform::Value* nameColumn = Column(*row, "name");
  const platform::Value* timeColumn = Column(*row, "timestamp");
  std::string name = nameColumn != nullptr && nameColumn->getString() ? *nameColumn->getString() : std::string();
  double timestamp = timeColumn != nullptr ? timeColumn->numberAsDouble().value_or(0) : 0;
  double previous = static_cast<double>(APMPBGetInt64(proto.get(), kEventPreviousTimestamp)) / 1000.0;

  std::string origin;
  APMEvent::Parameters parameters;
  // The decoded message is dropped afterwards: its parameters and strings
  // are moved out rather than copied.
  bool parsed = true;
  APMPBEventParam param;
  APMPBTakeEachMessage(proto.get(), kEventParams, &param, [&] {
    std::string paramName = APMPBGetString(&param, kParamName).value_or("");
    if (paramName == "_o") {
      if (!APMPBHasField(&param, kParamString)) {
        APMSetError(error, 2, "Cannot create an event from database. Origin parameter is not a string");
        return parsed = false;
      }
      origin = APMPBTakeString(&param, kParamString).value_or("");
      return true;
    }
    if (!paramName.empty()) {
      if (auto scalar = TakeScalarParam(&param)) {
        // Stored in name order: the hint makes each insert constant time.
        parameters.insert_or_assign(parameters.end(), std::move(paramName), std::move(*scalar));
        return true;
      }
    }
    auto converted = ConvertParam(&param, false, error);
    auto value = converted ? converted->find(paramName) : APMEvent::Parameters::iterator();
    if (!converted || value == converted->end()) {
      APMSetError(error, 2, "Failed to parse event params data");
      return parsed = false;
    }
    parameters.insert_or_assign(std::move(paramName), std::move(value->second));
    return true;
  });
  if (!parsed) return std::nullopt;
  if (origin.empty()) {
    APMSetError(error, 2, "Cannot create an event from database. Missing origin parameter");
    return std::nullopt;
  }
  auto event = APMEvent::initWithOrigin(origin, false, name, timestamp, previous, std::move(parameters));
  auto raw = event ? APMRawEventData::initWithRawEvent(std::make_shared<const APMEvent>(std::move(*event)),
                                                       rowID->numberAsInt64().value_or(-1),
                                                       fingerprint->numberAsInt64().value_or(0))
                   : std::nullopt;
  if (!raw) {
    APMSetError(error, 2, "Failed to initialize raw event data from dictionary");
    return std::nullopt;
  }
  return raw;
}

bool APMDatabase::deleteRawEventsWithMaxRowID(int64_t rowID, APMError* error) {
  auto deleted = sqliteStore_->deleteRecordsFromTableWithName("raw_events", "rowid <= ?", {platform::Value(rowID)},
                                                              error);
  if (deleted) noteRawEventRowsChanged(-*deleted);
  return deleted.has_value();
}

std::optional<int64_t> APMDatabase::deleteRawEventsOverAbsoluteLimit(APMError* error) {
  int64_t keep = static_cast<int64_t>(RemoteConfig()->maxEventsStored()) - 1;
  if (!rawEventCount_) {
    auto counted = Number(*sqliteStore_, "SELECT COUNT(*) FROM raw_events", {}, error);
    if (!counted) return std::nullopt;
    rawEventCount_ = counted->numberAsInt64().value_or(0);
  }
  // The DELETE walks every row to find its offset: skip it while under the limit.
  if (*rawEventCount_ <= keep) return 0;
  auto deleted = sqliteStore_->deleteRecordsFromTableWithName(
      "raw_events", "rowid IN (SELECT rowid FROM raw_events ORDER BY rowid DESC LIMIT -1 OFFSET ?)",
      {platform::Value(static_cast<int32_t>(keep))}, error);
  if (deleted) noteRawEventRowsChanged(-*deleted);
  return deleted;
}

bool APMDatabase::deleteStaleRawEventsDataOlderThanMaxAge(double maxAge, APMError* error) {
  if (maxAge < 0) {
    APMSetError(error, 1, "Cannot delete stale raw events given negative time period");
    return false;
  }
  auto deleted = sqliteStore_->deleteRecordsFromTableWithName(
      "raw_events", "abs(timestamp - cast(? as REAL)) > cast(? as REAL)",
      {platform::Value(Now()), platform::Value(maxAge)}, error);
  if (!deleted) return false;
  noteRawEventRowsChanged(-*deleted);
  if (*deleted != 0) return deleteUnusedRawEventsMetadata(error);
  return true;
}

std::optional<platform::Value> APMDatabase::isQueuedBundleTableEmpty(APMError* error) {
  return cachedAnswer(queueEmpty_, "queue", [this](APMError* queryError) {
    return Number(*sqliteStore_, "SELECT NOT EXISTS (SELECT 1 FROM queue LIMIT 1)", {}, queryError);
  }, error);
}

bool APMDatabase::insertBundle(const APMPBMeasurementBundle* bundle, bool isRealtime, APMError* error) {
  auto bytes = bundle != nullptr ? bundle->protoBuffer() : std::nullopt;
  if (!bytes || bytes->empty()) {
    APMSetError(error, 1, "Failed to insert nil bundle");
    return false;
  }
  if (APMPBGetString(bundle, kBundleAppID).value_or("").empty()) {
    APMSetError(error, 1, "Failed to insert bundle without App ID");
    return false;
  }
  int64_t endMillis = APMPBGetInt64(bundle, kBundleEndTimestamp);
  if (endMillis < 1) {
    APMSetError(error, 1, "Failed to insert bundle without valid timestamp");
    return false;
  }
  if (!maybeDeleteStaleData(error)) return false;
  double end = static_cast<double>(endMillis) / 1000;
  if (std::fabs(Now() - end) > RemoteConfig()->maxQueueTime()) {
    Monitor().logWithLevel(4, 12016, "Storing bundle outside of the max uploading time span");
  }
  auto compressed = platform::TVUGzip::tvu_dataByGzippingData(*bytes);
  if (!compressed.ok() || compressed->empty()) {
    APMSetError(error, 2, "Failed to compress bundle");
    return false;
  }
  Monitor().logWithLevel(7, 12018, "Saving bundle. size (bytes)", std::to_string(compressed->size()));
  return sqliteStore_->upsertRecord({{"bundle_end_timestamp", platform::Value(end)},
                                     {"data", platform::Value(std::move(compressed).value())},
                                     {"is_realtime", platform::Value(isRealtime ? 1 : 0)},
                                     {"retry_count", platform::Value(APMPBGetInt32(bundle, kBundleRetryCount))}},
                                    "queue", error);
}

std::optional<APMDatabase::QueuedBundle> APMDatabase::bundleFromRow(const APMSqliteStore::Record& row,
                                                                    bool* undecodable, APMError* error) {
  *undecodable = false;
  if (row.empty()) {
    APMSetError(error, 3, "Cannot process empty rowData");
    return std::nullopt;
  }
  const platform::Value* data = Column(row, "data");
  const platform::Bytes* bytes = data != nullptr ? data->getBytes() : nullptr;
  if (bytes == nullptr || bytes->empty()) {
    *undecodable = true;
    APMSetError(error, 3, "Cannot decompress an empty bundle data");
    return std::nullopt;
  }
  auto inflated = inflater_ ? inflater_(*bytes) : platform::TVUGzip::tvu_dataByInflatingGzippedData(*bytes);
  if (!inflated.ok() || inflated->empty()) {
    // Bad gzip or past the size cap never gets better; a shortage of memory may.
    auto code = inflated.ok() ? platform::Status::Code::kCorruption : inflated.status().code();
    *undecodable = code == platform::Status::Code::kCorruption || code == platform::Status::Code::kInvalidArgument;
    APMSetError(error, 2, inflated.ok() ? std::string("Inflated bundle is empty") : inflated.status().message());
    return std::nullopt;
  }
  auto bundle = APMPBMeasurementBundle::initWithBuffer(*inflated);
  if (!bundle) {
    *undecodable = true;
    APMSetError(error, 2, "Unable to parse bundle from decompressed data");
    return std::nullopt;
  }
  const platform::Value* retry = Column(row, "retry_count");
  if (retry != nullptr) {
    int64_t count = retry->numberAsInt64().value_or(0);
    if (count >= 1) {
      APMPBSetInt32(bundle.get(), kBundleRetryCount, static_cast<int32_t>(std::min<int64_t>(count, kRetryCountCeiling)));
    }
  }
  const platform::Value* rowID = Column(row, "rowid");
  return QueuedBundle{std::move(bundle), rowID != nullptr ? rowID->numberAsInt64().value_or(0) : 0};
}

std::optional<APMDatabase::QueuedBundle> APMDatabase::decodedBundle(const APMSqliteStore::Record& row,
                                                                    std::vector<platform::Value>* undecodableRowIDs) {
  bool undecodable = false;
  APMError error;
  if (auto bundle = bundleFromRow(row, &undecodable, &error)) return bundle;
  const platform::Value* rowID = Column(row, "rowid");
  if (!undecodable || rowID == nullptr) return std::nullopt;
  // Left in place such a row would hold a slot of every upload window.
  Monitor().logWithLevel(1, 12057, "Deleting queued bundle that cannot be decoded. Row ID, error",
                         rowID->numberAsInt64().value_or(0), error);
  undecodableRowIDs->push_back(*rowID);
  return std::nullopt;
}

void APMDatabase::deleteUndecodableBundles(const std::vector<platform::Value>& rowIDs) {
  for (const platform::Value& rowID : rowIDs) {
    APMError deleteError;
    if (!sqliteStore_->deleteRecordsFromTableWithName("queue", "rowid IN (?)", {rowID}, &deleteError)) {
      Monitor().logWithLevel(1, 12058, "Unable to delete queued bundle that cannot be decoded. Row ID, error",
                             rowID.numberAsInt64().value_or(0), deleteError);
    }
  }
}

std::optional<std::vector<APMDatabase::QueuedBundle>> APMDatabase::decodedBundles(
    const APMSqliteStore::Records& rows) {
  std::vector<QueuedBundle> bundles;
  for (const auto& row : rows) {
    std::vector<platform::Value> undecodable;
    if (auto bundle = decodedBundle(row, &undecodable)) {
      bundles.push_back(std::move(*bundle));
    } else {
      deleteUndecodableBundles(undecodable);
    }
  }
  return bundles;
}

std::optional<std::vector<APMDatabase::QueuedBundle>> APMDatabase::queryBundlesWithCountLimit(int64_t countLimit,
                                                                                              int64_t sizeLimit,
                                                                                              APMError* error) {
  // Rows are inflated and decoded as they are read, and the read stops at the
  // first bundle past the size limit: the rest of the window would be decoded
  // only to be dropped. Undecodable rows met on the way are deleted once the
  // read is over.
  std::vector<QueuedBundle> taken;
  std::vector<platform::Value> undecodable;
  int64_t total = 0;
  bool full = false;
  auto take = [&](size_t, const APMSqliteStore::Record& row) {
    if (full) return false;
    auto bundle = decodedBundle(row, &undecodable);
    if (!bundle) return true;
    auto encodedSize = bundle->bundle->protoBufferSize();
    const int64_t size = encodedSize ? static_cast<int64_t>(*encodedSize) : 0;
    if (!taken.empty() && total + size > sizeLimit) return false;
    total += size;
    taken.push_back(std::move(*bundle));
    full = total > sizeLimit;
    return true;
  };
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, data, retry_count FROM queue ORDER BY rowid ASC LIMIT ?",
                                            {platform::Value(countLimit)}, error, take);
  if (!rows) return std::nullopt;
  deleteUndecodableBundles(undecodable);
  return taken;
}

std::optional<std::vector<APMDatabase::QueuedBundle>> APMDatabase::queryBundlesWithRowIDs(
    const std::vector<platform::Value>& rowIDs, APMError* error) {
  auto condition = RowIDCondition(rowIDs, error);
  if (!condition) return std::nullopt;
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, data, retry_count FROM queue WHERE " + *condition, rowIDs,
                                            error);
  if (!rows) return std::nullopt;
  return decodedBundles(*rows);
}

bool APMDatabase::deleteBundlesWithRowIDs(const std::vector<platform::Value>& rowIDs, APMError* error) {
  auto condition = RowIDCondition(rowIDs, error);
  return condition && sqliteStore_->deleteRecordsFromTableWithName("queue", *condition, rowIDs, error).has_value();
}

bool APMDatabase::incrementRetryCounterForBundlesWithIDs(const std::vector<platform::Value>& rowIDs,
                                                         APMError* error) {
  if (rowIDs.empty()) {
    APMSetError(error, 1, "Failed to increment retry counter");
    return false;
  }
  auto atCeiling = Number(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM queue WHERE retry_count = ? LIMIT 1)",
                          {platform::Value(kRetryCountCeiling)}, error);
  if (atCeiling && atCeiling->numberAsInt64().value_or(0) != 0) {
    Monitor().logWithLevel(1, 12054, "The number of upload retries exceeds the limit. Will remain unchanged.");
  }
  auto condition = RowIDCondition(rowIDs, error);
  if (!condition) return false;
  APMSqliteStore::Parameters parameters = rowIDs;
  parameters.emplace_back(kRetryCountCeiling);
  return sqliteStore_->increaseColumn("retry_count", 1, "queue", *condition + " AND retry_count < ?", parameters,
                                      error);
}

std::optional<bool> APMDatabase::maybeDeleteStaleData(APMError* error) {
  auto config = RemoteConfig();
  double last = persistedConfig_ ? persistedConfig_->lastDeleteStaleBundlesTimestamp() : 0;
  double now = Now();
  bool due = std::fabs(now - last) > config->databaseDeleteStaleBundlesInterval();
  if (!due) return false;
  if (!deleteStaleRawEventsDataOlderThanMaxAge(config->maxQueueTime(), error)) return std::nullopt;
  if (!deleteStaleBundlesOlderThanMaxAge(config->maxQueueTime(), error)) return std::nullopt;
  if (persistedConfig_) persistedConfig_->setLastDeleteStaleBundlesTimestamp(now);
  return true;
}

bool APMDatabase::deleteStaleBundlesOlderThanMaxAge(double maxAge, APMError* error) {
  if (maxAge < 0) {
    APMSetError(error, 1, "Cannot delete stale bundles after negative time period");
    return false;
  }
  return sqliteStore_
      ->deleteRecordsFromTableWithName("queue", "abs(bundle_end_timestamp - cast(? as REAL)) > cast(? as REAL)",
                                       {platform::Value(Now()), platform::Value(maxAge)}, error)
      .has_value();
}

std::optional<platform::Value> APMDatabase::queryLatestBundleTime(APMError* error) {
  return cachedAnswer(latestBundleTime_, "queue", [this](APMError* queryError) {
    return Number(*sqliteStore_, "SELECT MAX(bundle_end_timestamp) FROM queue", {}, queryError);
  }, error);
}

std::optional<platform::Value> APMDatabase::containsRealtimeBundlesWithError(APMError* error) {
  return cachedAnswer(realtimeBundles_, "queue", [this](APMError* queryError) {
    return FixedNumber(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM queue WHERE is_realtime = 1 LIMIT 1)",
                       queryError);
  }, error);
}

// ---- App metadata, daily counts, measurement configuration, aggregates ----

namespace {

constexpr int64_t kEventAggregatesLimit = 1000;

std::optional<int64_t> IntColumn(const APMSqliteStore::Record& row, const char* name) {
  const platform::Value* value = Column(row, name);
  return value != nullptr ? value->numberAsInt64() : std::nullopt;
}

std::optional<double> DoubleColumn(const APMSqliteStore::Record& row, const char* name) {
  const platform::Value* value = Column(row, name);
  return value != nullptr ? value->numberAsDouble() : std::nullopt;
}

// Stored numbers beyond int32 are cut as the 32-bit readers of the file do.
int32_t Int32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

std::optional<APMEventAggregates> AggregatesFromRow(const APMSqliteStore::Record& row) {
  const platform::Value* name = Column(row, "name");
  if (name == nullptr || name->getString() == nullptr) return std::nullopt;
  auto aggregates = APMEventAggregates::initWithName(
      *name->getString(), Int32(IntColumn(row, "lifetime_count").value_or(0)),
      Int32(IntColumn(row, "current_bundle_count").value_or(0)),
      Int32(IntColumn(row, "current_session_count").value_or(0)), DoubleColumn(row, "last_fire_timestamp").value_or(0));
  if (!aggregates) return std::nullopt;
  aggregates->setLastBundledTimestamp(DoubleColumn(row, "last_bundled_timestamp").value_or(0));
  aggregates->setLastSampledComplexEventID(IntColumn(row, "last_sampled_complex_event_id"));
  aggregates->setLastSamplingRate(Int32(IntColumn(row, "last_sampling_rate").value_or(1)));
  aggregates->setLastExemptFromSampling(IntColumn(row, "last_exempt_from_sampling").value_or(0) != 0);
  aggregates->setLastBundledDay(Int32(IntColumn(row, "last_bundled_day").value_or(0)));
  return aggregates;
}

}  // namespace

bool APMDatabase::initializeAppMetadata() {
  return performTransaction([this] {
    APMError error;
    if (queryAppMetadata(&error)) return true;
    if (error.code() != 0) {
      Monitor().logWithLevel(1, 12005, "Failed to query app metadata");
      return false;
    }
    auto metadata = APMAppMetadata::initWithLastBundleIndex(0, 0.0, 0.0);
    if (!upsertDataType(APMSqliteStore::Record{{"rowid", platform::Value("1")},
                                               {"last_bundle_index", platform::Value(metadata->lastBundleIndex())},
                                               {"last_bundle_start_timestamp",
                                                platform::Value(metadata->lastBundleStartTimestamp())},
                                               {"last_bundle_end_timestamp",
                                                platform::Value(metadata->lastBundleEndTimestamp())}},
                        "app_metadata", "rowid", platform::Value("1"), 1, &error)) {
      Monitor().logWithLevel(1, 12006, "Unable to update the app metadata. Error", error);
      return false;
    }
    return true;
  });
}

std::optional<APMAppMetadata> APMDatabase::queryAppMetadata(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM app_metadata WHERE rowid = ?",
                                            {platform::Value("1")}, error);
  if (!rows || rows->empty()) return std::nullopt;
  const auto& row = rows->front();
  return APMAppMetadata::initWithLastBundleIndex(Int32(IntColumn(row, "last_bundle_index").value_or(0)),
                                                 DoubleColumn(row, "last_bundle_start_timestamp").value_or(0),
                                                 DoubleColumn(row, "last_bundle_end_timestamp").value_or(0));
}

bool APMDatabase::updateAppMetadata(const APMAppMetadata* appMetadata, APMError* error) {
  if (appMetadata == nullptr) {
    APMSetError(error, 3, "Received empty app metadata for getting dictionary representation");
    return false;
  }
  return updateDataType(
      APMSqliteStore::Record{{"rowid", platform::Value("1")},
                             {"last_bundle_index", platform::Value(appMetadata->lastBundleIndex())},
                             {"last_bundle_start_timestamp", platform::Value(appMetadata->lastBundleStartTimestamp())},
                             {"last_bundle_end_timestamp", platform::Value(appMetadata->lastBundleEndTimestamp())}},
      "app_metadata", "rowid", platform::Value("1"), error);
}

std::optional<APMDailyCounts> APMDatabase::dailyCounts(APMError* error) {
  double offset = persistedConfig_ ? persistedConfig_->midnightOffset() : 0;
  int32_t today = Int32(platform::SaturatingCast::toInt64(std::floor((Now() - offset) / 86400)));
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM app_metadata WHERE rowid = ?",
                                            {platform::Value("1")}, error);
  if (!rows) return std::nullopt;
  if (rows->empty()) {
    APMSetError(error, 3, "Received empty dictionary for getting daily counts");
    return std::nullopt;
  }
  const auto& row = rows->front();
  auto count = [&](const char* column) { return Int32(IntColumn(row, column).value_or(0)); };
  return APMDailyCounts(Int32(IntColumn(row, "day").value_or(today)), count("daily_conversions_count"),
                        count("daily_events_count"), count("daily_public_events_count"),
                        count("daily_error_events_count"), count("daily_real_time_conversion_events_count"));
}

bool APMDatabase::updateDailyCounts(const APMDailyCounts* counts, APMError* error) {
  if (counts == nullptr) {
    APMSetError(error, 3, "Received empty daily counts for getting dictionary representation");
    return false;
  }
  return updateDataType(
      APMSqliteStore::Record{{"day", platform::Value(counts->day())},
                             {"daily_conversions_count", platform::Value(counts->conversionsCount())},
                             {"daily_events_count", platform::Value(counts->allEventsCount())},
                             {"daily_public_events_count", platform::Value(counts->publicEventsCount())},
                             {"daily_error_events_count", platform::Value(counts->errorEventsCount())},
                             {"daily_real_time_conversion_events_count", platform::Value(counts->realtimeCount())}},
      "app_metadata", "rowid", platform::Value("1"), error);
}

bool APMDatabase::updateRemoteConfig(const APMPBMeasurementConfig* config, APMError* error) {
  auto bytes = config != nullptr ? config->protoBuffer() : std::nullopt;
  if (!bytes || bytes->empty()) {
    APMSetError(error, 1, "Invalid measurement config data");
    return false;
  }
  if (APMPBGetString(config, kConfigAppID).value_or("").empty()) {
    APMSetError(error, 1, "Missing Trivandel app ID in measurement configuration");
    return false;
  }
  return updateDataType(APMSqliteStore::Record{{"remote_config_data", platform::Value(std::move(*bytes))},
                                               {"remote_config_timestamp", platform::Value(Now())}},
                        "app_metadata", "rowid", platform::Value("1"), error);
}

bool APMDatabase::updateRemoteConfigSuccessfulTimestamp(double timestamp, APMError* error) {
  return updateDataType(APMSqliteStore::Record{{"remote_config_timestamp", platform::Value(timestamp)}},
                        "app_metadata", "rowid", platform::Value("1"), error);
}

std::shared_ptr<APMPBMeasurementConfig> APMDatabase::queryMeasurementConfigWithError(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT remote_config_data FROM app_metadata LIMIT 1", {}, error);
  if (!rows || rows->empty()) return nullptr;
  const platform::Value* data = Column(rows->front(), "remote_config_data");
  const platform::Bytes* bytes = data != nullptr ? data->getBytes() : nullptr;
  if (bytes == nullptr || bytes->empty()) return nullptr;
  auto config = APMPBMeasurementConfig::initWithBuffer(*bytes);
  if (!config) APMSetError(error, 2, "Remote config data is corrupted");
  return config;
}

std::optional<platform::Value> APMDatabase::lastRemoteConfigUpdateTimestamp(APMError* error) {
  return Number(*sqliteStore_, "SELECT remote_config_timestamp FROM app_metadata LIMIT 1", {}, error);
}

std::optional<platform::Value> APMDatabase::publicEventCount(APMError* error) {
  return FixedNumber(*sqliteStore_, "SELECT count(1) FROM events WHERE name NOT LIKE '!_%' ESCAPE '!'", error);
}

std::optional<std::vector<APMEventAggregates>> APMDatabase::allEventAggregates(APMError* error) {
  return allDataTypesFromTableWithName<APMEventAggregates>(
      "events", kEventAggregatesLimit, error,
      [](const APMSqliteStore::Record& row, APMError*) { return AggregatesFromRow(row); });
}

std::optional<APMEventAggregates> APMDatabase::eventAggregatesWithName(const std::string& name, APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM events WHERE name = ?", {platform::Value(name)},
                                            error);
  if (!rows || rows->empty()) return std::nullopt;
  return AggregatesFromRow(rows->front());
}

bool APMDatabase::updateEventAggregates(const APMEventAggregates* aggregates, APMError* error) {
  if (aggregates == nullptr) {
    APMSetError(error, 3, "Received empty event aggregates object for getting dictionary representation");
    return false;
  }
  if (aggregates->name().empty()) {
    APMSetError(error, 1, "Received event aggregates object with empty name for getting dictionary representation");
    return false;
  }
  // The row is exactly the record: a cleared sampled-event ID is stored as NULL.
  const auto& sampledID = aggregates->lastSampledComplexEventID();
  return upsertDataType(
      APMSqliteStore::Record{
          {"name", platform::Value(aggregates->name())},
          {"lifetime_count", platform::Value(aggregates->lifetimeCount())},
          {"current_bundle_count", platform::Value(aggregates->currentBundleCount())},
          {"last_fire_timestamp", platform::Value(aggregates->lastFireTimestamp())},
          {"last_bundled_timestamp", platform::Value(aggregates->lastBundledTimestamp())},
          {"last_sampling_rate", platform::Value(aggregates->lastSamplingRate())},
          {"last_exempt_from_sampling", platform::Value(aggregates->lastExemptFromSampling() ? 1 : 0)},
          {"last_bundled_day", platform::Value(aggregates->lastBundledDay())},
          {"current_session_count", platform::Value(aggregates->currentSessionCount())},
          {"last_sampled_complex_event_id", sampledID ? platform::Value(*sampledID) : platform::Value()}},
      "events", "name", platform::Value(aggregates->name()), kEventAggregatesLimit, error);
}

bool APMDatabase::clearCurrentSessionCounts(APMError* error) {
  return sqliteStore_->updateAllRecordsInTableWithName("events", "current_session_count", platform::Value(0), error);
}

// ---- User properties, audience filters, conditional properties, purchases ----

namespace {

constexpr int64_t kUserAttributesLimit = 1000;
constexpr int64_t kConditionalPropertiesLimit = 1000;
constexpr int64_t kPurchasesKept = 1000;
constexpr int64_t kSubscriptionsKept = 1000;

// Flag field indexes (session scoped, dynamic, sequence) of the filter messages.
constexpr int32_t kEventFilterFlags[3] = {7, 5, 6};
constexpr int32_t kPropertyFilterFlags[3] = {5, 3, 4};

// Strings as text, doubles as REAL, anything else as a 64-bit integer.
platform::Value ValueColumn(const APMValue& value) {
  if (const std::string* text = value.stringPointer()) return platform::Value(*text);
  if (value.isDouble()) return platform::Value(value.doubleValue());
  return platform::Value(value.int64Value());
}

std::string TextColumn(const APMSqliteStore::Record& row, const char* name) {
  const platform::Value* value = Column(row, name);
  return value != nullptr && value->getString() != nullptr ? *value->getString() : std::string();
}

// Makes a parameter match itself under LIKE ... ESCAPE '!'.
std::string EscapeLike(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '!' || c == '%' || c == '_') escaped.push_back('!');
    escaped.push_back(c);
  }
  return escaped;
}

std::optional<APMUserAttribute> UserAttributeFromRow(const APMSqliteStore::Record* row, APMError* error) {
  if (row == nullptr) {
    APMSetError(error, 3, "Received empty dictionary for getting user property");
    return std::nullopt;
  }
  const platform::Value* stored = Column(*row, "value");
  auto value = stored != nullptr ? APMValue::valueFromObject(*stored) : std::nullopt;
  if (!value) return std::nullopt;
  return APMUserAttribute::initWithOrigin(TextColumn(*row, "origin"), TextColumn(*row, "name"), std::move(*value),
                                          DoubleColumn(*row, "set_timestamp").value_or(0));
}

template <typename Filter>
std::optional<Filter> FilterFromRow(const APMSqliteStore::Record& row, const char* nameColumn,
                                    const int32_t (&flags)[3], bool isEvent) {
  const platform::Value* data = Column(row, "data");
  platform::Bytes bytes = data != nullptr && data->getBytes() != nullptr ? *data->getBytes() : platform::Bytes();
  std::shared_ptr<NANOMessageBase> message;
  if (isEvent) {
    message = APMPBEventFilter::initWithBuffer(bytes);
  } else {
    message = APMPBPropertyFilter::initWithBuffer(bytes);
  }
  // An unreadable blob still gives the record, with every flag off.
  bool sessionScoped = message && APMPBGetBool(message.get(), flags[0]);
  bool dynamic = message && APMPBGetBool(message.get(), flags[1]);
  bool sequence = message && APMPBGetBool(message.get(), flags[2]);
  return Filter(Int32(IntColumn(row, "audience_id").value_or(0)), Int32(IntColumn(row, "filter_id").value_or(0)),
                TextColumn(row, nameColumn), std::move(bytes), sessionScoped, dynamic, sequence);
}

std::optional<APMFilterResult> FilterResultFromRow(const APMSqliteStore::Record& row) {
  auto bytes = [&](const char* name) -> std::optional<platform::Bytes> {
    const platform::Value* value = Column(row, name);
    if (value == nullptr || value->getBytes() == nullptr) return std::nullopt;
    return *value->getBytes();
  };
  return APMFilterResult(Int32(IntColumn(row, "audience_id").value_or(0)), bytes("current_results").value_or(
                                                                                platform::Bytes()),
                         bytes("previous_results"));
}

// A stored event column: serialized wire event -> event.
std::optional<APMEvent> EventFromColumn(const platform::Value& column, APMError* error) {
  const platform::Bytes* bytes = column.getBytes();
  if (bytes == nullptr) {
    APMSetError(error, 2, "Failed to convert data to an event. Data must be a NSData instance");
    return std::nullopt;
  }
  auto proto = APMPBEvent::initWithBuffer(*bytes);
  if (!proto) {
    APMSetError(error, 2, "Failed to parse event from data");
    return std::nullopt;
  }
  auto event = APMEvent::initWithEventProto(*proto);
  if (!event) APMSetError(error, 2, "Failed to initialize event from proto data");
  return event;
}

std::optional<APMConditionalUserProperty> ConditionalPropertyFromRow(const APMSqliteStore::Record& row,
                                                                     APMError* error) {
  APMConditionalUserProperty property;
  property.setName(TextColumn(row, "name"));
  property.setOrigin(TextColumn(row, "origin"));
  const platform::Value* value = Column(row, "value");
  property.setValue(value != nullptr ? APMValue::valueFromObject(*value) : std::nullopt);
  property.setTriggerTimeout(DoubleColumn(row, "trigger_timeout").value_or(0));
  property.setTimeToLive(DoubleColumn(row, "time_to_live").value_or(0));
  property.setTriggerEventName(TextColumn(row, "trigger_event_name"));
  struct EventColumn {
    const char* name;
    void (APMConditionalUserProperty::*set)(std::optional<APMEvent>);
  };
  for (const EventColumn& column : {EventColumn{"triggered_event", &APMConditionalUserProperty::setTriggeredEvent},
                                    EventColumn{"timed_out_event", &APMConditionalUserProperty::setTimedOutEvent},
                                    EventColumn{"expired_event", &APMConditionalUserProperty::setExpiredEvent}}) {
    const platform::Value* stored = Column(row, column.name);
    if (stored == nullptr) continue;
    auto event = EventFromColumn(*stored, error);
    if (!event) return std::nullopt;
    (property.*column.set)(std::move(event));
  }
  property.setActive(IntColumn(row, "active").value_or(0) != 0);
  property.setCreationTimestamp(DoubleColumn(row, "creation_timestamp").value_or(0));
  property.setTriggeredTimestamp(DoubleColumn(row, "triggered_timestamp").value_or(0));
  return property;
}

std::optional<platform::Bytes> EventBytes(const std::optional<APMEvent>& event) {
  if (!event) return std::nullopt;
  return event->protoEvent()->protoBuffer();
}

}  // namespace

std::optional<platform::Value> APMDatabase::publicUserAttributeCount(APMError* error) {
  return FixedNumber(*sqliteStore_, "SELECT count(1) FROM user_attributes WHERE name NOT LIKE '!_%' ESCAPE '!'",
                     error);
}

std::optional<platform::Value> APMDatabase::userAttributeCountForOrigin(const std::string& origin, APMError* error) {
  if (origin.empty()) {
    APMSetError(error, 1, "Received empty user property origin for count query");
    return std::nullopt;
  }
  return Number(*sqliteStore_, "SELECT count(1) FROM user_attributes WHERE origin = ?", {platform::Value(origin)},
                error);
}

std::optional<platform::Value> APMDatabase::containsUserAttributeWithName(const std::string& name, APMError* error) {
  if (name.empty()) {
    APMSetError(error, 1, "Received empty user property name for exists query");
    return std::nullopt;
  }
  return Number(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM user_attributes WHERE name = ? LIMIT 1)",
                {platform::Value(name)}, error);
}

std::optional<APMUserAttribute> APMDatabase::userAttributeWithName(const std::string& name, APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM user_attributes WHERE name = ?",
                                            {platform::Value(name)}, error);
  if (!rows || rows->empty()) return std::nullopt;
  return UserAttributeFromRow(&rows->front(), error);
}

std::optional<std::vector<APMUserAttribute>> APMDatabase::allLifetimeValueUserAttributes(APMError* error) {
  // "_" is a wildcard under LIKE: escaped, so that a public "altv_x" is not taken for one.
  auto rows = sqliteStore_->recordsForQuery(
      "SELECT * FROM user_attributes WHERE name LIKE ? || '%' ESCAPE '!' ORDER BY set_timestamp DESC",
      {platform::Value("!_ltv!_")}, error);
  if (!rows) return std::nullopt;
  std::vector<APMUserAttribute> attributes;
  for (const auto& row : *rows) {
    auto attribute = UserAttributeFromRow(&row, error);
    if (!attribute) return std::nullopt;
    attributes.push_back(std::move(*attribute));
  }
  return attributes;
}

std::optional<std::vector<APMUserAttribute>> APMDatabase::userAttributesIncludingInternal(bool includeInternal,
                                                                                        APMError* error) {
  auto all = allDataTypesFromTableWithName<APMUserAttribute>(
      "user_attributes", kUserAttributesLimit, error,
      [](const APMSqliteStore::Record& row, APMError* rowError) { return UserAttributeFromRow(&row, rowError); });
  if (!all || includeInternal) return all;
  std::vector<APMUserAttribute> visible;
  for (auto& attribute : *all) {
    const std::string& name = attribute.name();
    if (!name.empty() && name[0] == '_') continue;
    if (APMDataTypeValidator::hasReservedPrefixes(name)) continue;
    if (APMPublicToInternalUserPropertyNames().count(name) != 0) continue;
    visible.push_back(std::move(attribute));
  }
  return visible;
}

bool APMDatabase::updateUserAttribute(const APMUserAttribute* attribute, APMError* error) {
  if (attribute == nullptr) {
    APMSetError(error, 3, "Received empty user property for getting dictionary representation");
    return false;
  }
  if (attribute->origin().empty()) {
    APMSetError(error, 3, "Received user property with empty origin for getting dictionary representation");
    return false;
  }
  if (attribute->name().empty()) {
    APMSetError(error, 1, "Received user property with empty name for getting dictionary representation");
    return false;
  }
  const std::string* text = attribute->value().stringPointer();
  if (text != nullptr && text->empty()) {
    APMSetError(error, 1, "Received empty string value for user property");
    return false;
  }
  return upsertDataType(APMSqliteStore::Record{{"origin", platform::Value(attribute->origin())},
                                               {"name", platform::Value(attribute->name())},
                                               {"value", ValueColumn(attribute->value())},
                                               {"set_timestamp", platform::Value(attribute->lastSetTimestamp())}},
                        "user_attributes", "name", platform::Value(attribute->name()), kUserAttributesLimit, error);
}

bool APMDatabase::deleteUserAttributeWithName(const std::string& name, APMError* error) {
  return sqliteStore_->deleteRecordFromTableWithName("user_attributes", "name", platform::Value(name), error);
}

std::optional<std::vector<int32_t>> APMDatabase::allAudienceIDs(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery(
      "SELECT audience_id FROM event_filters UNION SELECT audience_id FROM property_filters", {}, error);
  if (!rows) return std::nullopt;
  std::vector<int32_t> ids;
  for (const auto& row : *rows) {
    auto id = IntColumn(row, "audience_id");
    if (!id) {
      APMSetError(error, 1, "Received nil audience ID for querying all audience IDs");
      return std::nullopt;
    }
    ids.push_back(Int32(*id));
  }
  return ids;
}

std::optional<std::vector<APMEventFilter>> APMDatabase::eventFiltersForEventName(const std::string& name,
                                                                               APMError* error) {
  if (name.empty()) {
    APMSetError(error, 1, "Received empty event name for getting event filters");
    return std::nullopt;
  }
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM event_filters WHERE event_name = ?",
                                            {platform::Value(name)}, error);
  if (!rows) return std::nullopt;
  std::vector<APMEventFilter> filters;
  for (const auto& row : *rows) {
    if (auto filter = FilterFromRow<APMEventFilter>(row, "event_name", kEventFilterFlags, true)) {
      filters.push_back(std::move(*filter));
    }
  }
  return filters;
}

std::optional<std::vector<APMPropertyFilter>> APMDatabase::propertyFiltersForPropertyName(const std::string& name,
                                                                                        APMError* error) {
  if (name.empty()) {
    APMSetError(error, 1, "Received empty property name for getting property filters");
    return std::nullopt;
  }
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM property_filters WHERE property_name = ?",
                                            {platform::Value(name)}, error);
  if (!rows) return std::nullopt;
  std::vector<APMPropertyFilter> filters;
  for (const auto& row : *rows) {
    if (auto filter = FilterFromRow<APMPropertyFilter>(row, "property_name", kPropertyFilterFlags, false)) {
      filters.push_back(std::move(*filter));
    }
  }
  return filters;
}

std::optional<std::map<int32_t, std::vector<int32_t>>> APMDatabase::allSessionScopedFilters(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery(
      "SELECT audience_id, filter_id FROM event_filters WHERE session_scoped = 1 UNION SELECT audience_id, filter_id "
      "FROM property_filters WHERE session_scoped = 1",
      {}, error, APMSqliteStore::QueryText::kFixed);
  if (!rows) return std::nullopt;
  std::map<int32_t, std::vector<int32_t>> filters;
  for (const auto& row : *rows) {
    filters[Int32(IntColumn(row, "audience_id").value_or(0))].push_back(Int32(IntColumn(row, "filter_id").value_or(0)));
  }
  return filters;
}

bool APMDatabase::updateEventFilters(const std::vector<APMEventFilter>& filters, APMError* error) {
  if (filters.empty()) {
    APMSetError(error, 1, "Received empty event filters to update");
    return false;
  }
  for (const auto& filter : filters) {
    if (filter.eventName().empty()) {
      APMSetError(error, 3, "Received event filter with empty event name for getting dictionary representation");
      return false;
    }
    if (filter.data().empty()) {
      APMSetError(error, 3, "Received event filter with empty data for getting dictionary representation");
      return false;
    }
    if (!sqliteStore_->upsertRecord({{"audience_id", platform::Value(filter.audienceID())},
                                     {"filter_id", platform::Value(filter.filterID())},
                                     {"event_name", platform::Value(filter.eventName())},
                                     {"data", platform::Value(filter.data())},
                                     {"session_scoped", platform::Value(filter.isSessionScoped() ? 1 : 0)}},
                                    "event_filters", error)) {
      return false;
    }
  }
  return true;
}

bool APMDatabase::updatePropertyFilters(const std::vector<APMPropertyFilter>& filters, APMError* error) {
  if (filters.empty()) {
    APMSetError(error, 1, "Received empty property filters to update");
    return false;
  }
  for (const auto& filter : filters) {
    if (filter.propertyName().empty()) {
      APMSetError(error, 3,
                  "Received property filter with empty property name for getting dictionary representation");
      return false;
    }
    if (filter.data().empty()) {
      APMSetError(error, 3, "Received property filter with empty data for getting dictionary representation");
      return false;
    }
    if (!sqliteStore_->upsertRecord({{"audience_id", platform::Value(filter.audienceID())},
                                     {"filter_id", platform::Value(filter.filterID())},
                                     {"property_name", platform::Value(filter.propertyName())},
                                     {"data", platform::Value(filter.data())},
                                     {"session_scoped", platform::Value(filter.isSessionScoped() ? 1 : 0)}},
                                    "property_filters", error)) {
      return false;
    }
  }
  return true;
}

namespace {

template <typename Filter>
std::string FilterIdentityCondition(const std::vector<Filter>& filters) {
  std::string condition;
  for (const auto& filter : filters) {
    if (!condition.empty()) condition += " OR ";
    condition += "(audience_id=" + std::to_string(filter.audienceID()) +
                 " AND filter_id=" + std::to_string(filter.filterID()) + ")";
  }
  return condition;
}

}  // namespace

bool APMDatabase::deleteEventFilters(const std::vector<APMEventFilter>& filters, APMError* error) {
  if (filters.empty()) {
    APMSetError(error, 1, "Received empty event filters to delete");
    return false;
  }
  return sqliteStore_->deleteRecordsFromTableWithName("event_filters", FilterIdentityCondition(filters), {}, error)
      .has_value();
}

bool APMDatabase::deletePropertyFilters(const std::vector<APMPropertyFilter>& filters, APMError* error) {
  if (filters.empty()) {
    APMSetError(error, 1, "Received empty property filters to delete");
    return false;
  }
  return sqliteStore_->deleteRecordsFromTableWithName("property_filters", FilterIdentityCondition(filters), {}, error)
      .has_value();
}

bool APMDatabase::deleteAllEventFilters(APMError* error) {
  return sqliteStore_->deleteAllRecordsFromTableWithName("event_filters", error);
}

bool APMDatabase::deleteAllPropertyFilters(APMError* error) {
  return sqliteStore_->deleteAllRecordsFromTableWithName("property_filters", error);
}

std::optional<std::map<int32_t, APMFilterResult>> APMDatabase::allFilterResults(APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM audience_filter_values", {}, error);
  if (!rows) return std::nullopt;
  std::map<int32_t, APMFilterResult> results;
  for (const auto& row : *rows) {
    if (auto result = FilterResultFromRow(row)) results.insert_or_assign(result->audienceID(), std::move(*result));
  }
  return results;
}

std::optional<APMFilterResult> APMDatabase::filterResultForAudienceID(int32_t audienceID, APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM audience_filter_values WHERE audience_id = ?",
                                            {platform::Value(audienceID)}, error);
  if (!rows || rows->empty()) return std::nullopt;
  return FilterResultFromRow(rows->front());
}

bool APMDatabase::updateFilterResults(const std::vector<APMFilterResult>& results, APMError* error) {
  if (results.empty()) {
    APMSetError(error, 1, "Received empty filter results to update");
    return false;
  }
  for (const auto& result : results) {
    if (result.currentResults().empty()) {
      APMSetError(error, 3, "Received filter result with empty data for getting dictionary representation");
      return false;
    }
    const auto& previous = result.previousResults();
    if (!sqliteStore_->upsertRecord(
            {{"audience_id", platform::Value(result.audienceID())},
             {"current_results", platform::Value(result.currentResults())},
             {"previous_results", previous && !previous->empty() ? platform::Value(*previous) : platform::Value()}},
            "audience_filter_values", error)) {
      return false;
    }
  }
  return true;
}

bool APMDatabase::deleteFilterResults(const std::vector<APMFilterResult>& results, APMError* error) {
  if (results.empty()) {
    APMSetError(error, 1, "Received empty filter results to delete");
    return false;
  }
  std::set<int32_t> ids;
  for (const auto& result : results) ids.insert(result.audienceID());
  std::string list;
  for (int32_t id : ids) {
    if (!list.empty()) list += ',';
    list += std::to_string(id);
  }
  return sqliteStore_->deleteRecordsFromTableWithName("audience_filter_values", "audience_id IN (" + list + ")", {},
                                                      error)
      .has_value();
}

std::optional<APMConditionalUserProperty> APMDatabase::conditionalUserPropertyWithName(const std::string& name,
                                                                                     APMError* error) {
  auto properties = conditionalUserPropertiesWithCondition("name=?", {platform::Value(name)}, error);
  if (!properties || properties->empty()) return std::nullopt;
  return properties->front();
}

bool APMDatabase::updateConditionalUserProperty(const APMConditionalUserProperty* property, APMError* error) {
  if (property == nullptr) {
    APMSetError(error, 3, "Received empty conditional user property for getting dictionary representation");
    return false;
  }
  if (property->name().empty()) {
    APMSetError(error, 3, "Received conditional user property with empty name for getting dictionary representation");
    return false;
  }
  if (property->origin().empty()) {
    APMSetError(error, 3,
                "Received conditional user property with empty origin for getting dictionary representation");
    return false;
  }
  if (!property->value()) {
    APMSetError(error, 3, "Received conditional user property with nil value for getting dictionary representation");
    return false;
  }
  // Every column written: a property set anew must not keep its old events.
  auto optionalBytes = [](const std::optional<platform::Bytes>& bytes) {
    return bytes ? platform::Value(*bytes) : platform::Value();
  };
  const std::string& trigger = property->triggerEventName();
  return upsertDataType(
      APMSqliteStore::Record{
          {"name", platform::Value(property->name())},
          {"origin", platform::Value(property->origin())},
          {"value", ValueColumn(*property->value())},
          {"creation_timestamp", platform::Value(property->creationTimestamp())},
          {"active", platform::Value(property->isActive() ? 1 : 0)},
          {"trigger_timeout", platform::Value(property->triggerTimeout())},
          {"triggered_timestamp", platform::Value(property->triggeredTimestamp())},
          {"time_to_live", platform::Value(property->timeToLive())},
          {"trigger_event_name", trigger.empty() ? platform::Value() : platform::Value(trigger)},
          {"triggered_event", optionalBytes(EventBytes(property->triggeredEvent()))},
          {"timed_out_event", optionalBytes(EventBytes(property->timedOutEvent()))},
          {"expired_event", optionalBytes(EventBytes(property->expiredEvent()))}},
      "conditional_properties", "name", platform::Value(property->name()), kConditionalPropertiesLimit, error);
}

bool APMDatabase::deleteConditionalUserPropertyWithName(const std::string& name, APMError* error) {
  return sqliteStore_->deleteRecordFromTableWithName("conditional_properties", "name", platform::Value(name), error);
}

std::optional<std::vector<APMConditionalUserProperty>> APMDatabase::timedOutConditionalUserPropertiesWithError(
    APMError* error) {
  return conditionalUserPropertiesWithCondition("active=0 and abs(? - creation_timestamp) > trigger_timeout",
                                                {platform::Value(Now())}, error);
}

std::optional<std::vector<APMConditionalUserProperty>> APMDatabase::expiredConditionalUserPropertiesWithError(
    APMError* error) {
  return conditionalUserPropertiesWithCondition("active=1 and abs(? - triggered_timestamp) > time_to_live",
                                                {platform::Value(Now())}, error);
}

std::optional<std::vector<APMConditionalUserProperty>> APMDatabase::triggeredConditionalUserPropertiesWithEventName(
    const std::string& eventName, APMError* error) {
  if (eventName.empty()) {
    APMSetError(error, 1, "Received nil/empty event name for querying triggered conditional user properties");
    return std::nullopt;
  }
  return conditionalUserPropertiesWithCondition(
      "active=0 and trigger_event_name=? and abs(? - creation_timestamp) <= trigger_timeout",
      {platform::Value(eventName), platform::Value(Now())}, error);
}

std::optional<std::vector<APMConditionalUserProperty>> APMDatabase::conditionalUserPropertiesWithPrefix(
    const std::string& namePrefix, const std::string& filterByOrigin, APMError* error) {
  std::vector<std::string> terms;
  APMSqliteStore::Parameters parameters;
  if (!filterByOrigin.empty()) {
    terms.push_back("origin LIKE ? ESCAPE '!'");
    parameters.emplace_back(EscapeLike(filterByOrigin));
  }
  if (!namePrefix.empty()) {
    terms.push_back("name LIKE ? || '%' ESCAPE '!'");
    parameters.emplace_back(EscapeLike(namePrefix));
  }
  std::string condition;
  for (const auto& term : terms) condition += (condition.empty() ? "" : " AND ") + term;
  if (condition.empty()) condition = "1 == 1";
  return conditionalUserPropertiesWithCondition(condition, parameters, error);
}

std::optional<std::vector<APMConditionalUserProperty>> APMDatabase::conditionalUserPropertiesWithCondition(
    const std::string& condition, const APMSqliteStore::Parameters& parameterValues, APMError* error) {
  if (condition.empty()) {
    APMSetError(error, 1, "Received empty condition for querying a conditional user property");
    return std::nullopt;
  }
  auto rows = sqliteStore_->recordsForQuery("SELECT rowid, * FROM conditional_properties WHERE " + condition,
                                            parameterValues, error);
  if (!rows) return std::nullopt;
  std::vector<APMConditionalUserProperty> properties;
  for (const auto& row : *rows) {
    auto property = ConditionalPropertyFromRow(row, error);
    if (!property) return std::nullopt;
    properties.push_back(std::move(*property));
  }
  return properties;
}

std::optional<bool> APMDatabase::insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint,
                                                                         APMError* error) {
  if (fingerprint.empty()) return false;
  auto exists = Number(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM purchase_transactions WHERE fingerprint = ? LIMIT 1)",
                       {platform::Value(fingerprint)}, error);
  if (!exists) return std::nullopt;
  if (exists->numberAsInt64().value_or(0) != 0) return false;
  if (!sqliteStore_->upsertRecord({{"fingerprint", platform::Value(fingerprint)}}, "purchase_transactions", error)) {
    return std::nullopt;
  }
  if (!sqliteStore_->deleteRecordsFromTableWithName(
          "purchase_transactions",
          "rowid IN (SELECT rowid FROM purchase_transactions ORDER BY rowid DESC LIMIT -1 OFFSET ?)",
          {platform::Value(kPurchasesKept)}, error)) {
    return std::nullopt;
  }
  return true;
}

bool APMDatabase::deletePurchaseFingerprints(const std::vector<std::string>& fingerprints, APMError* error) {
  if (fingerprints.empty()) {
    APMSetError(error, 1, "Received empty purchase fingerprints to delete");
    return false;
  }
  std::string placeholders;
  APMSqliteStore::Parameters parameters;
  for (const auto& fingerprint : fingerprints) {
    if (fingerprint.empty()) {
      APMSetError(error, 1, "Received invalid purchase fingerprint to delete");
      return false;
    }
    placeholders += placeholders.empty() ? "?" : ",?";
    parameters.emplace_back(fingerprint);
  }
  return sqliteStore_
      ->deleteRecordsFromTableWithName("purchase_transactions", "fingerprint IN (" + placeholders + ")", parameters,
                                       error)
      .has_value();
}

std::optional<bool> APMDatabase::insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID,
                                                                    APMError* error) {
  if (subscriptionID.empty()) return false;
  auto exists = Number(*sqliteStore_, "SELECT EXISTS (SELECT 1 FROM subscriptions WHERE subscription_id = ? LIMIT 1)",
                       {platform::Value(subscriptionID)}, error);
  if (!exists) return std::nullopt;
  if (exists->numberAsInt64().value_or(0) != 0) return false;
  if (!sqliteStore_->upsertRecord({{"subscription_id", platform::Value(subscriptionID)}}, "subscriptions", error)) {
    return std::nullopt;
  }
  return true;
}

std::optional<int64_t> APMDatabase::deleteSubscriptionsOverLimit(APMError* error) {
  return sqliteStore_->deleteRecordsFromTableWithName(
      "subscriptions", "rowid IN (SELECT rowid FROM subscriptions ORDER BY rowid DESC LIMIT -1 OFFSET ?)",
      {platform::Value(kSubscriptionsKept)}, error);
}

bool APMDatabase::updateComplexEventForAudienceEvaluationWithEventID(int64_t eventID, int64_t childEventCount,
                                                                     const APMEvent* mainEvent, APMError* error) {
  if (mainEvent == nullptr) {
    APMSetError(error, 1, "Received nil main event");
    return false;
  }
  auto bytes = mainEvent->protoEvent()->protoBuffer();
  if (!bytes || bytes->empty()) {
    APMSetError(error, 1, "Cannot create the main event blob");
    return false;
  }
  return sqliteStore_->upsertRecord({{"main_event", platform::Value(std::move(*bytes))},
                                     {"event_id", platform::Value(eventID)},
                                     {"children_to_process", platform::Value(childEventCount)}},
                                    "main_event_params", error);
}

std::optional<APMDatabase::MainEventAndChildCount> APMDatabase::mainEventAndChildCountPairWithEventID(
    int64_t eventID, APMError* error) {
  auto rows = sqliteStore_->recordsForQuery("SELECT * FROM main_event_params WHERE event_id=? LIMIT 1",
                                            {platform::Value(eventID)}, error);
  if (!rows || rows->empty()) return std::nullopt;
  const auto& row = rows->front();
  const platform::Value* stored = Column(row, "main_event");
  APMError ignored;
  auto event = stored != nullptr ? EventFromColumn(*stored, &ignored) : std::nullopt;
  if (!event) {
    APMSetError(error, 3, "Main event blob is nil in database");
    return std::nullopt;
  }
  auto count = IntColumn(row, "children_to_process");
  if (!count) {
    APMSetError(error, 3, "Complex event does not have children count in database");
    return std::nullopt;
  }
  return MainEventAndChildCount{std::make_shared<const APMEvent>(std::move(*event)), *count};
}

bool APMDatabase::deleteComplexEventForAudienceEvaluationWithEventID(int64_t eventID, APMError* error) {
  return sqliteStore_
      ->deleteRecordsFromTableWithName("main_event_params", "event_id=?", {platform::Value(eventID)}, error)
      .has_value();
}
