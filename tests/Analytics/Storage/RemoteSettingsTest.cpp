#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Analytics/Storage/Config/APMRemoteConfig.h"

namespace {

struct Row {
  const char* key;
  std::function<double(const APMRemoteConfig&)> read;
  double defaultValue;
  const char* belowOrInvalid;  // configured text that falls back to the default (nullptr: skip)
  const char* aboveRange;
  const char* inRange;
  double inRangeValue;
};

// Every catalogue row: default, a value inside the range, just below the
// minimum and just above the maximum (in the configured unit), and text that does not parse.
const Row kRows[] = {
    {"measurement.upload.backoff_period", [](const APMRemoteConfig& c) { return c.uploadingBackoffInterval(); },
     43200, "3599999", "604800001", "3600000", 3600},
    {"measurement.upload.interval", [](const APMRemoteConfig& c) { return c.uploadingInterval(); }, 3600, "10000",
     "86401000", "60000", 60},
    {"measurement.upload.max_queue_time", [](const APMRemoteConfig& c) { return c.maxQueueTime(); }, 2419200,
     "604799999", "7862400001", "604800000", 604800},
    {"measurement.monitoring.sample_period_millis", [](const APMRemoteConfig& c) { return c.monitoringSamplePeriod(); },
     86400, "-1", "604800001", "0", 0},
    {"measurement.network.network_timeout", [](const APMRemoteConfig& c) { return c.networkTimeout(); }, 60, "29999",
     "3600001", "30000", 30},
    {"measurement.upload.retry_time", [](const APMRemoteConfig& c) { return c.uploadingRetryInterval(); }, 1800,
     "59999", "86400001", "60000", 60},
    {"measurement.upload.realtime_upload_interval",
     [](const APMRemoteConfig& c) { return c.uploadingRealTimeInterval(); }, 10, "9999", "15001", "15000", 15},
    {"measurement.attribution.cache.ttl", [](const APMRemoteConfig& c) { return c.attributionCacheTTLInterval(); },
     604800, "86399999", "2592000001", "86400000", 86400},
    {"measurement.audience.max_count", [](const APMRemoteConfig& c) { return double(c.maxAudienceCount()); }, 100,
     "-1", "501", "500", 500},
    {"measurement.upload.max_public_event_params",
     [](const APMRemoteConfig& c) { return double(c.maxPublicEventParams()); }, 25, "24", "101", "100", 100},
    {"measurement.upload.max_item_scoped_custom_parameters",
     [](const APMRemoteConfig& c) { return double(c.maxItemScopedCustomParameters()); }, 27, "9", "36", "10", 10},
    {"measurement.account.time_zone_offset_minutes",
     [](const APMRemoteConfig& c) { return double(c.analyticsAccountTimeZoneOffsetMinutes()); }, 0, "-901", "901",
     "-900", -900},
    {"measurement.upload.retry_count", [](const APMRemoteConfig& c) { return double(c.uploadingRetryCount()); }, 6,
     "0", "25", "24", 24},
    {"measurement.upload.max_bundles", [](const APMRemoteConfig& c) { return double(c.uploadMaxBundlesLimit()); },
     100, "0", "20000", "10000", 10000},
    {"measurement.upload.max_batch_size", [](const APMRemoteConfig& c) { return double(c.uploadMaxSizeLimitBytes()); },
     65536, "-1", "10485761", "0", 0},
    {"measurement.upload.max_bundles_created_per_iteration",
     [](const APMRemoteConfig& c) { return double(c.maxBundlesCreatedPerIteration()); }, 100, "500", "10000001",
     "500000", 500},
    {"measurement.psm_signin_delay", [](const APMRemoteConfig& c) { return double(c.maxSignInDelayInDays()); }, 60,
     "6", "91", "7", 7},
    {"measurement.upload.max_realtime_events_per_day",
     [](const APMRemoteConfig& c) { return double(c.maxRealtimeEventCountPerDay()); }, 10, "-1", "11", "0", 0},
    {"measurement.upload.blacklist_public", [](const APMRemoteConfig& c) { return double(c.blocklistPublic()); }, 0,
     "-1", "2", "1", 1},
    {"measurement.ees_feature_enabled", [](const APMRemoteConfig& c) { return double(c.eesFeatureEnabled()); }, 1,
     "-1", "2", "0", 0},
};

TEST(RemoteSettingsTest, EveryRowDefaultsRangesAndUnparsableText) {
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.key);
    {
      APMRemoteConfig config;
      EXPECT_DOUBLE_EQ(row.read(config), row.defaultValue);
    }
    for (const char* fallback : {row.belowOrInvalid, row.aboveRange, "abc", " 5", "5 ", "1e3", ""}) {
      APMRemoteConfig config;
      config.setConfiguredSettings({{row.key, fallback}});
      EXPECT_DOUBLE_EQ(row.read(config), row.defaultValue) << fallback;
    }
    APMRemoteConfig config;
    config.setConfiguredSettings({{row.key, row.inRange}});
    EXPECT_DOUBLE_EQ(row.read(config), row.inRangeValue);
  }
}

TEST(RemoteSettingsTest, AllCatalogueDefaults) {
  APMRemoteConfig c;
  EXPECT_EQ(c.maxFiltersPerAudience(), 10);
  EXPECT_EQ(c.maxFilterResultCount(), 200);
  EXPECT_EQ(c.maxParametersPerFilter(), 25);
  EXPECT_DOUBLE_EQ(c.databaseDeleteStaleBundlesInterval(), 86400);
  EXPECT_DOUBLE_EQ(c.adIDCacheTime(), 1);
  EXPECT_FALSE(c.gateIDFAOnATTMASEnabled());
  EXPECT_FALSE(c.isNetworkBackgroundSessionEnabled());
  EXPECT_DOUBLE_EQ(c.sessionDefaultMinimumInterval(), 10);
  EXPECT_DOUBLE_EQ(c.sessionDefaultTimeoutInterval(), 1800);
  EXPECT_DOUBLE_EQ(c.sessionEventUserEngagementInterval(), 3600);
  EXPECT_EQ(c.maxConversionsPerDay(), 10000);
  EXPECT_EQ(c.maxEventsPerDay(), 100000);
  EXPECT_EQ(c.maxPublicEventsPerDay(), 50000);
  EXPECT_EQ(c.maxErrorEventsPerDay(), 1000);
  EXPECT_EQ(c.maxTrackedCurrencies(), 4);
  EXPECT_EQ(c.maxPublicUserProperties(), 25);
  EXPECT_EQ(c.maxEventNameCardinality(), 500);
  EXPECT_EQ(c.maxEventsStored(), 100000);
  EXPECT_DOUBLE_EQ(c.uploadingInitialDelayInterval(), 15);
  EXPECT_EQ(c.uploadMaxEventsPerBundle(), 1000);
  EXPECT_DOUBLE_EQ(c.uploadingDebugModeInterval(), 1);
  EXPECT_TRUE(c.appInBackgroundParameterEnabled());
  EXPECT_TRUE(c.itemScopedCustomParameterEnabled());
  EXPECT_TRUE(c.PSMFeatureEnabled());
  EXPECT_EQ(c.maxPSMStartCount(), 3);
  EXPECT_EQ(c.maxPSMRetryCount(), 5);
  EXPECT_DOUBLE_EQ(c.PSMRetryInterval(), 300);
  EXPECT_EQ(c.hashPrefixBitLengthEmail(), 14);
  EXPECT_EQ(c.hashPrefixBitLengthPhone(), 11);
  EXPECT_TRUE(c.isDeferredDeepLinkEnabled());
  EXPECT_EQ(c.maxDeferredDeepLinkRetryCount(), 5);
  EXPECT_DOUBLE_EQ(c.remoteConfigCacheTimeInterval(), 3600);
  EXPECT_TRUE(c.isSessionIDEnabled());
  EXPECT_FALSE(c.persistentConfigInApplicationSupportEnabled());
  EXPECT_DOUBLE_EQ(c.SKANInitialCVFetchDelay(), 120);
  EXPECT_EQ(c.SKANCVFetchRetryLimit(), 4);
  EXPECT_DOUBLE_EQ(c.SKANFirstWindowCVFetchDelay(), 20);
  EXPECT_DOUBLE_EQ(c.SKANFirstWindowUploadInterval(), 1800);
  EXPECT_FALSE(c.consentSignalsG2Enabled());
  EXPECT_FALSE(c.DMAConsentEnabled());
  EXPECT_EQ(c.maxPublicEventParameterValueLength(), 100);
  EXPECT_EQ(c.maxInternalEventParameterValueLength(), 256);
}

TEST(RemoteSettingsTest, ResolvedNumbersAreCachedAndServerNumbersUsedAsSent) {
  APMRemoteConfig config;
  config.setConfiguredSettings({{"measurement.upload.interval", "60000"}});
  EXPECT_DOUBLE_EQ(config.uploadingInterval(), 60);
  EXPECT_EQ(config.cachedValue("measurement.upload.interval"), platform::Value(60.0));
  EXPECT_DOUBLE_EQ(config.uploadingInterval(), 60);  // not divided again
  config.cacheValue(platform::Value(30), "measurement.psm_prefix_email");
  EXPECT_EQ(config.hashPrefixBitLengthEmail(), 30);
  config.cacheValue(std::nullopt, "x");
  EXPECT_FALSE(config.cachedValue("x"));
  EXPECT_EQ(config.intValueFromCacheWithKey("", 5, 10, 0), 0);
}

class FixedFlags : public APMExperimentFlagSource {
 public:
  std::optional<bool> flagValue(std::string_view name) const override {
    if (name == "network_background_session_enabled") return true;
    return std::nullopt;
  }
};

TEST(RemoteSettingsTest, ExperimentFlagsAnswerFirst) {
  APMRemoteConfig config;
  config.setConfiguredSettings({{"measurement.network.background_session_enabled", "0"}});
  EXPECT_FALSE(config.isNetworkBackgroundSessionEnabled());
  config.setExperimentFlagSource(std::make_shared<FixedFlags>());
  EXPECT_TRUE(config.isNetworkBackgroundSessionEnabled());
}

}  // namespace
