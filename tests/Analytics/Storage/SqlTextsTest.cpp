#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMAppMetadata.h"
#include "Analytics/Storage/APMDailyCounts.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/Analytics/Storage/SqlTrace.h"

namespace {

using platform::Value;

constexpr double kTraceNow = 1700000000.0;

// Every statement text the database operations form, in the order one call
// runs them.
TEST(SqlTextsTest, EveryOperation) {
  platform::TemporaryDataRoot root;
  auto clock = std::make_shared<platform::ManualClock>(kTraceNow);
  platform::Clock::setCurrent(clock);
  APMEngineHooks::reset();
  auto remote = std::make_shared<APMRemoteConfig>();
  APMEngineHooks::setRemoteConfigProvider([remote] { return remote; });
  auto config = APMPersistedConfig::initWithSuiteName("sql-texts-test");
  config->setLastDeleteStaleBundlesTimestamp(0);
  APMError error;
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, config, &error);
  ASSERT_TRUE(database) << error.localizedDescription();
  APMDatabase& db = *database;
  SqlTrace trace;
  trace.attach(db.sqliteStore().sqliteHandle());

  auto event = *APMEvent::initWithOrigin("app", false, "e", kTraceNow, 0, APMEvent::Parameters{});
  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  APMPBSetString(bundle.get(), 14, "app");
  APMPBSetInt64(bundle.get(), 5, static_cast<int64_t>(kTraceNow * 1000));
  auto aggregates = *APMEventAggregates::initWithName("e", 1, 1, 1, kTraceNow);
  auto attribute = *APMUserAttribute::initWithOrigin("app", "p", APMValue(1), kTraceNow);
  APMConditionalUserProperty property;
  property.setName("c");
  property.setOrigin("app");
  property.setValue(APMValue("v"));
  auto metadata = *APMAppMetadata::initWithLastBundleIndex(1, 0, 0);
  APMDailyCounts counts(1, 0, 0, 0, 0, 0);
  APMEventFilter eventFilter(1, 2, "e", {8, 1}, false, false, false);
  APMPropertyFilter propertyFilter(1, 3, "p", {8, 1}, false, false, false);
  APMFilterResult result(1, {1}, std::nullopt);
  auto measurementConfig = std::make_shared<APMPBMeasurementConfig>();
  APMPBSetString(measurementConfig.get(), 1, "id");
  auto all = [](size_t, const APMSqliteStore::Record&) { return true; };

  struct Case {
    const char* name;
    std::function<void()> run;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      {"insertIfNotExistsRawEventMetadata", [&] { db.insertIfNotExistsRawEventMetadata(bundle.get(), nullptr); }, {
           "SELECT rowid, * FROM raw_events_metadata WHERE metadata_fingerprint = ?",
           "SELECT count(1) FROM raw_events_metadata WHERE metadata_fingerprint=?",
           "SELECT count(1) FROM raw_events_metadata",
           "INSERT OR REPLACE INTO raw_events_metadata (metadata, metadata_fingerprint) VALUES (?, ?);",}},
      {"insertRawEvent", [&] { db.insertRawEvent(&event, 1, false, nullptr); }, {
           "INSERT OR REPLACE INTO raw_events (data, is_realtime, metadata_fingerprint, name, timestamp) VALUES (?, ?, ?, ?, ?);",}},
      {"rawEventsWithMetadataFingerprint", [&] { db.rawEventsWithMetadataFingerprint(1, nullptr, all); }, {
           "SELECT rowid, * FROM raw_events WHERE metadata_fingerprint = ? ORDER BY rowid ASC LIMIT ?",}},
      {"nextMetadataFingerprintToProcess", [&] { db.nextMetadataFingerprintToProcess(nullptr); }, {
           "SELECT metadata_fingerprint, MIN(rowid) FROM raw_events",}},
      {"isRawEventsTableEmpty", [&] { db.isRawEventsTableEmpty(nullptr); }, {
           "PRAGMA data_version", "SELECT NOT EXISTS (SELECT 1 FROM raw_events LIMIT 1)",}},
      {"queryLatestRawEventTime", [&] { db.queryLatestRawEventTime(nullptr); }, {
           "PRAGMA data_version", "SELECT MAX(timestamp) FROM raw_events",}},
      {"containsRawEventWithMetadataFingerprint", [&] { db.containsRawEventWithMetadataFingerprint(1, nullptr); }, {
           "SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = ? LIMIT 1)",}},
      {"containsRealtimeRawEventsWithError", [&] { db.containsRealtimeRawEventsWithError(nullptr); }, {
           "PRAGMA data_version", "SELECT EXISTS (SELECT 1 FROM raw_events WHERE is_realtime = 1 LIMIT 1)",}},
      {"deleteRawEventsOverAbsoluteLimit", [&] { db.deleteRawEventsOverAbsoluteLimit(nullptr); }, {
           "SELECT COUNT(*) FROM raw_events",}},
      {"deleteRawEventMetadataWithMetadataFingerprint",
       [&] { db.deleteRawEventMetadataWithMetadataFingerprint(9, nullptr); }, {
           "DELETE FROM raw_events_metadata WHERE metadata_fingerprint == ?",}},
      {"insertBundle (with the due sweep)", [&] { db.insertBundle(bundle.get(), false, nullptr); }, {
           "DELETE FROM raw_events WHERE abs(timestamp - cast(? as REAL)) > cast(? as REAL)",
           "DELETE FROM queue WHERE abs(bundle_end_timestamp - cast(? as REAL)) > cast(? as REAL)",
           "INSERT OR REPLACE INTO queue (bundle_end_timestamp, data, is_realtime, retry_count) VALUES (?, ?, ?, ?);",}},
      {"queryBundlesWithCountLimit", [&] { db.queryBundlesWithCountLimit(5, 1000, nullptr); }, {
           "SELECT rowid, data, retry_count FROM queue ORDER BY rowid ASC LIMIT ?",}},
      {"queryBundlesWithRowIDs", [&] { db.queryBundlesWithRowIDs({Value(1), Value(2)}, nullptr); }, {
           "SELECT rowid, data, retry_count FROM queue WHERE rowid IN (?,?)",}},
      {"incrementRetryCounterForBundlesWithIDs",
       [&] { db.incrementRetryCounterForBundlesWithIDs({Value(1), Value(2)}, nullptr); }, {
           "SELECT EXISTS (SELECT 1 FROM queue WHERE retry_count = ? LIMIT 1)",
           "PRAGMA table_info(queue)",
           "UPDATE queue SET retry_count = retry_count + 1 WHERE rowid IN (?,?) AND retry_count < ?",}},
      {"deleteBundlesWithRowIDs", [&] { db.deleteBundlesWithRowIDs({Value(1)}, nullptr); }, {
           "DELETE FROM queue WHERE rowid IN (?)",}},
      {"isQueuedBundleTableEmpty", [&] { db.isQueuedBundleTableEmpty(nullptr); }, {
           "PRAGMA data_version", "SELECT NOT EXISTS (SELECT 1 FROM queue LIMIT 1)",}},
      {"queryLatestBundleTime", [&] { db.queryLatestBundleTime(nullptr); }, {
           "PRAGMA data_version", "SELECT MAX(bundle_end_timestamp) FROM queue",}},
      {"containsRealtimeBundlesWithError", [&] { db.containsRealtimeBundlesWithError(nullptr); }, {
           "PRAGMA data_version", "SELECT EXISTS (SELECT 1 FROM queue WHERE is_realtime = 1 LIMIT 1)",}},
      {"deleteRawEventsWithMaxRowID", [&] { db.deleteRawEventsWithMaxRowID(1, nullptr); }, {
           "DELETE FROM raw_events WHERE rowid <= ?",}},
      {"queryAppMetadata", [&] { db.queryAppMetadata(nullptr); }, {
           "SELECT rowid, * FROM app_metadata WHERE rowid = ?",}},
      {"updateAppMetadata", [&] { db.updateAppMetadata(&metadata, nullptr); }, {
           "SELECT count(1) FROM app_metadata WHERE rowid=?",
           "UPDATE app_metadata SET last_bundle_end_timestamp=?,last_bundle_index=?,last_bundle_start_timestamp=?,rowid=? WHERE rowid=?",}},
      {"dailyCounts", [&] { db.dailyCounts(nullptr); }, {
           "SELECT rowid, * FROM app_metadata WHERE rowid = ?",}},
      {"updateDailyCounts", [&] { db.updateDailyCounts(&counts, nullptr); }, {
           "SELECT count(1) FROM app_metadata WHERE rowid=?",
           "UPDATE app_metadata SET daily_conversions_count=?,daily_error_events_count=?,daily_events_count=?,daily_public_events_count=?,daily_real_time_conversion_events_count=?,day=? WHERE rowid=?",}},
      {"updateRemoteConfig", [&] { db.updateRemoteConfig(measurementConfig.get(), nullptr); }, {
           "SELECT count(1) FROM app_metadata WHERE rowid=?",
           "UPDATE app_metadata SET remote_config_data=?,remote_config_timestamp=? WHERE rowid=?",}},
      {"updateRemoteConfigSuccessfulTimestamp", [&] { db.updateRemoteConfigSuccessfulTimestamp(1, nullptr); }, {
           "SELECT count(1) FROM app_metadata WHERE rowid=?",
           "UPDATE app_metadata SET remote_config_timestamp=? WHERE rowid=?",}},
      {"queryMeasurementConfigWithError", [&] { db.queryMeasurementConfigWithError(nullptr); }, {
           "SELECT remote_config_data FROM app_metadata LIMIT 1",}},
      {"lastRemoteConfigUpdateTimestamp", [&] { db.lastRemoteConfigUpdateTimestamp(nullptr); }, {
           "SELECT remote_config_timestamp FROM app_metadata LIMIT 1",}},
      {"publicEventCount", [&] { db.publicEventCount(nullptr); }, {
           "SELECT count(1) FROM events WHERE name NOT LIKE '!_%' ESCAPE '!'",}},
      {"updateEventAggregates", [&] { db.updateEventAggregates(&aggregates, nullptr); }, {
           "SELECT count(1) FROM events WHERE name=?",
           "SELECT count(1) FROM events",
           "INSERT OR REPLACE INTO events (current_bundle_count, current_session_count, last_bundled_day, last_bundled_timestamp, last_exempt_from_sampling, last_fire_timestamp, last_sampled_complex_event_id, last_sampling_rate, lifetime_count, name) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);",}},
      {"allEventAggregates", [&] { db.allEventAggregates(nullptr); }, {
           "SELECT rowid, * FROM events ORDER BY rowid LIMIT 1000",}},
      {"eventAggregatesWithName", [&] { db.eventAggregatesWithName("e", nullptr); }, {
           "SELECT rowid, * FROM events WHERE name = ?",}},
      {"clearCurrentSessionCounts", [&] { db.clearCurrentSessionCounts(nullptr); }, {
           "UPDATE events SET current_session_count=?",}},
      {"updateUserAttribute", [&] { db.updateUserAttribute(&attribute, nullptr); }, {
           "SELECT count(1) FROM user_attributes WHERE name=?",
           "SELECT count(1) FROM user_attributes",
           "INSERT OR REPLACE INTO user_attributes (name, origin, set_timestamp, value) VALUES (?, ?, ?, ?);",}},
      {"publicUserAttributeCount", [&] { db.publicUserAttributeCount(nullptr); }, {
           "SELECT count(1) FROM user_attributes WHERE name NOT LIKE '!_%' ESCAPE '!'",}},
      {"userAttributeCountForOrigin", [&] { db.userAttributeCountForOrigin("app", nullptr); }, {
           "SELECT count(1) FROM user_attributes WHERE origin = ?",}},
      {"containsUserAttributeWithName", [&] { db.containsUserAttributeWithName("p", nullptr); }, {
           "SELECT EXISTS (SELECT 1 FROM user_attributes WHERE name = ? LIMIT 1)",}},
      {"userAttributeWithName", [&] { db.userAttributeWithName("p", nullptr); }, {
           "SELECT rowid, * FROM user_attributes WHERE name = ?",}},
      {"allLifetimeValueUserAttributes", [&] { db.allLifetimeValueUserAttributes(nullptr); }, {
           "SELECT * FROM user_attributes WHERE name LIKE ? || '%' ESCAPE '!' ORDER BY set_timestamp DESC",}},
      {"userAttributesIncludingInternal", [&] { db.userAttributesIncludingInternal(false, nullptr); }, {
           "SELECT rowid, * FROM user_attributes ORDER BY rowid LIMIT 1000",}},
      {"deleteUserAttributeWithName", [&] { db.deleteUserAttributeWithName("p", nullptr); }, {
           "DELETE FROM user_attributes WHERE name=?",}},
      {"updateEventFilters", [&] { db.updateEventFilters({eventFilter}, nullptr); }, {
           "INSERT OR REPLACE INTO event_filters (audience_id, data, event_name, filter_id, session_scoped) VALUES (?, ?, ?, ?, ?);",}},
      {"updatePropertyFilters", [&] { db.updatePropertyFilters({propertyFilter}, nullptr); }, {
           "INSERT OR REPLACE INTO property_filters (audience_id, data, filter_id, property_name, session_scoped) VALUES (?, ?, ?, ?, ?);",}},
      {"allAudienceIDs", [&] { db.allAudienceIDs(nullptr); }, {
           "SELECT audience_id FROM event_filters UNION SELECT audience_id FROM property_filters",}},
      {"eventFiltersForEventName", [&] { db.eventFiltersForEventName("e", nullptr); }, {
           "SELECT rowid, * FROM event_filters WHERE event_name = ?",}},
      {"propertyFiltersForPropertyName", [&] { db.propertyFiltersForPropertyName("p", nullptr); }, {
           "SELECT rowid, * FROM property_filters WHERE property_name = ?",}},
      {"allSessionScopedFilters", [&] { db.allSessionScopedFilters(nullptr); }, {
           "SELECT audience_id, filter_id FROM event_filters WHERE session_scoped = 1 UNION SELECT audience_id, filter_id FROM property_filters WHERE session_scoped = 1",}},
      {"deleteEventFilters", [&] { db.deleteEventFilters({eventFilter, eventFilter}, nullptr); }, {
           "DELETE FROM event_filters WHERE (audience_id=1 AND filter_id=2) OR (audience_id=1 AND filter_id=2)",}},
      {"deletePropertyFilters", [&] { db.deletePropertyFilters({propertyFilter}, nullptr); }, {
           "DELETE FROM property_filters WHERE (audience_id=1 AND filter_id=3)",}},
      {"deleteAllEventFilters", [&] { db.deleteAllEventFilters(nullptr); }, {
           "DELETE FROM event_filters",}},
      {"deleteAllPropertyFilters", [&] { db.deleteAllPropertyFilters(nullptr); }, {
           "DELETE FROM property_filters",}},
      {"updateFilterResults", [&] { db.updateFilterResults({result}, nullptr); }, {
           "INSERT OR REPLACE INTO audience_filter_values (audience_id, current_results, previous_results) VALUES (?, ?, ?);",}},
      {"allFilterResults", [&] { db.allFilterResults(nullptr); }, {
           "SELECT rowid, * FROM audience_filter_values",}},
      {"filterResultForAudienceID", [&] { db.filterResultForAudienceID(1, nullptr); }, {
           "SELECT rowid, * FROM audience_filter_values WHERE audience_id = ?",}},
      {"deleteFilterResults", [&] { db.deleteFilterResults({result, result}, nullptr); }, {
           "DELETE FROM audience_filter_values WHERE audience_id IN (1)",}},
      {"updateConditionalUserProperty", [&] { db.updateConditionalUserProperty(&property, nullptr); }, {
           "SELECT count(1) FROM conditional_properties WHERE name=?",
           "SELECT count(1) FROM conditional_properties",
           "INSERT OR REPLACE INTO conditional_properties (active, creation_timestamp, expired_event, name, origin, time_to_live, timed_out_event, trigger_event_name, trigger_timeout, triggered_event, triggered_timestamp, value) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);",}},
      {"conditionalUserPropertyWithName", [&] { db.conditionalUserPropertyWithName("c", nullptr); }, {
           "SELECT rowid, * FROM conditional_properties WHERE name=?",}},
      {"timedOutConditionalUserPropertiesWithError", [&] { db.timedOutConditionalUserPropertiesWithError(nullptr); },
       {
           "SELECT rowid, * FROM conditional_properties WHERE active=0 and abs(? - creation_timestamp) > trigger_timeout",}},
      {"expiredConditionalUserPropertiesWithError", [&] { db.expiredConditionalUserPropertiesWithError(nullptr); },
       {
           "SELECT rowid, * FROM conditional_properties WHERE active=1 and abs(? - triggered_timestamp) > time_to_live",}},
      {"triggeredConditionalUserPropertiesWithEventName",
       [&] { db.triggeredConditionalUserPropertiesWithEventName("e", nullptr); }, {
           "SELECT rowid, * FROM conditional_properties WHERE active=0 and trigger_event_name=? and abs(? - creation_timestamp) <= trigger_timeout",}},
      {"conditionalUserPropertiesWithPrefix (both)", [&] { db.conditionalUserPropertiesWithPrefix("c", "app", nullptr); },
       {
           "SELECT rowid, * FROM conditional_properties WHERE origin LIKE ? ESCAPE '!' AND name LIKE ? || '%' ESCAPE '!'",}},
      {"conditionalUserPropertiesWithPrefix (neither)", [&] { db.conditionalUserPropertiesWithPrefix("", "", nullptr); },
       {
           "SELECT rowid, * FROM conditional_properties WHERE 1 == 1",}},
      {"deleteConditionalUserPropertyWithName", [&] { db.deleteConditionalUserPropertyWithName("c", nullptr); }, {
           "DELETE FROM conditional_properties WHERE name=?",}},
      {"insertIfNotDuplicatePurchaseFingerprint", [&] { db.insertIfNotDuplicatePurchaseFingerprint("f", nullptr); },
       {
           "SELECT EXISTS (SELECT 1 FROM purchase_transactions WHERE fingerprint = ? LIMIT 1)",
           "INSERT OR REPLACE INTO purchase_transactions (fingerprint) VALUES (?);",
           "DELETE FROM purchase_transactions WHERE rowid IN (SELECT rowid FROM purchase_transactions ORDER BY rowid DESC LIMIT -1 OFFSET ?)",}},
      {"deletePurchaseFingerprints", [&] { db.deletePurchaseFingerprints({"f", "g"}, nullptr); }, {
           "DELETE FROM purchase_transactions WHERE fingerprint IN (?,?)",}},
      {"insertIfNotDuplicateSubscriptionID", [&] { db.insertIfNotDuplicateSubscriptionID("s", nullptr); }, {
           "SELECT EXISTS (SELECT 1 FROM subscriptions WHERE subscription_id = ? LIMIT 1)",
           "INSERT OR REPLACE INTO subscriptions (subscription_id) VALUES (?);",}},
      {"deleteSubscriptionsOverLimit", [&] { db.deleteSubscriptionsOverLimit(nullptr); }, {
           "DELETE FROM subscriptions WHERE rowid IN (SELECT rowid FROM subscriptions ORDER BY rowid DESC LIMIT -1 OFFSET ?)",}},
      {"updateComplexEventForAudienceEvaluationWithEventID",
       [&] { db.updateComplexEventForAudienceEvaluationWithEventID(1, 2, &event, nullptr); }, {
           "INSERT OR REPLACE INTO main_event_params (children_to_process, event_id, main_event) VALUES (?, ?, ?);",}},
      {"mainEventAndChildCountPairWithEventID", [&] { db.mainEventAndChildCountPairWithEventID(1, nullptr); }, {
           "SELECT * FROM main_event_params WHERE event_id=? LIMIT 1",}},
      {"deleteComplexEventForAudienceEvaluationWithEventID",
       [&] { db.deleteComplexEventForAudienceEvaluationWithEventID(1, nullptr); }, {
           "DELETE FROM main_event_params WHERE event_id=?",}},
      {"initializeAppMetadata (row present)", [&] { db.initializeAppMetadata(); }, {
           "BEGIN EXCLUSIVE TRANSACTION",
           "SELECT rowid, * FROM app_metadata WHERE rowid = ?",
           "END TRANSACTION",}},
      {"deleteRawEventsOverAbsoluteLimit (past the limit)",
       [&] {
         remote->setConfiguredSettings({{"measurement.store.max_stored_events_per_app", "1"}});
         db.insertRawEvent(&event, 1, false, nullptr);
         trace.clear();
         db.deleteRawEventsOverAbsoluteLimit(nullptr);
       },
       {"DELETE FROM raw_events WHERE rowid IN (SELECT rowid FROM raw_events ORDER BY rowid DESC LIMIT -1 OFFSET ?)"}},
      {"deleteStaleRawEventsDataOlderThanMaxAge (rows deleted)",
       [&] {
         db.insertRawEvent(&event, 1, false, nullptr);
         clock->advance(1);
         trace.clear();
         db.deleteStaleRawEventsDataOlderThanMaxAge(0, nullptr);
       },
       {"DELETE FROM raw_events WHERE abs(timestamp - cast(? as REAL)) > cast(? as REAL)",
        "DELETE FROM raw_events_metadata WHERE metadata_fingerprint NOT IN (SELECT DISTINCT metadata_fingerprint FROM "
        "raw_events)"}},
      {"maybeDeleteStaleData (not due)", [&] { db.maybeDeleteStaleData(nullptr); }, {}},
      {"queryBundlesWithCountLimit (an undecodable row)",
       [&] {
         db.sqliteStore().upsertRecord({{"data", Value::bytes("junk")}, {"bundle_end_timestamp", Value(kTraceNow)}}, "queue",
                                       nullptr);
         trace.clear();
         db.queryBundlesWithCountLimit(5, 1000, nullptr);
       },
       {"SELECT rowid, data, retry_count FROM queue ORDER BY rowid ASC LIMIT ?", "DELETE FROM queue WHERE rowid IN (?)"}},
  };
  for (const Case& c : cases) {
    trace.clear();
    c.run();
    EXPECT_EQ(trace.texts(), c.texts) << c.name;
  }
  database.reset();
  APMMeasurementMonitor().waitForPendingWork();
  APMEngineHooks::reset();
  platform::Clock::setCurrent(nullptr);
}

}  // namespace
