// What consent and the data controls let a bundle carry, on the engine's
// own identity: the signals string, identifiers kept or cleared, redaction
// by data category, and a bundle built while analytics storage is denied.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Analytics/Engine/APMBundleConsent.h"
#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "tests/Analytics/Engine/Measurement/BundlingFixture.h"

namespace measurement_test {
namespace {

using namespace apm_bundle_fields;

class BundleConsentTest : public BundlingFixture {
 protected:
  // The consent rules applied to a bundle that may already hold a signals string.
  std::shared_ptr<APMPBMeasurementBundle> applied(const std::string& signals,
                                                  const std::optional<std::string>& stored, bool overwrite,
                                                  bool gate = false) {
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    if (stored) APMPBSetString(bundle.get(), kBundleConsentSignals, *stored);
    onWorker([&] { APMApplyConsentToBundle(bundle.get(), signals, gate, *engine_->identity(), overwrite); });
    return bundle;
  }
};

struct SignalsCase {
  const char* label;
  std::string signals;
  std::optional<std::string> stored;
  bool overwrite;
  std::optional<std::string> expectedSignals;
  bool analyticsAllowed;  // vendor ID and app instance ID travel
};

TEST_F(BundleConsentTest, SignalsStringDecidesWhatTravels) {
  const std::vector<SignalsCase> cases = {
      {"too short: neither denies nor is stored", "G1", std::nullopt, true, std::nullopt, true},
      {"too short, a stored string stays", "G1", "G110", true, "G110", true},
      {"granted", "G111", std::nullopt, true, "G111", true},
      {"analytics denied", "G110", std::nullopt, true, "G110", false},
      {"analytics denied, letter form", "G2GD", std::nullopt, true, "G2GD", false},
      {"analytics denied, lower case", "G2Gd", std::nullopt, true, "G2Gd", false},
      {"ad storage denied only", "G101", std::nullopt, true, "G101", true},
      {"empty clears the stored string", "", "G110", true, std::nullopt, true},
      {"stored string wins without overwrite", "G111", "G110", false, "G110", false},
      {"stored string replaced with overwrite", "G110", "G111", true, "G110", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto bundle = applied(c.signals, c.stored, c.overwrite);
    EXPECT_EQ(APMPBGetString(bundle.get(), kBundleConsentSignals), c.expectedSignals);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleVendorID), c.analyticsAllowed);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleAppInstanceID), c.analyticsAllowed);
    EXPECT_FALSE(APMPBHasField(bundle.get(), kBundleResettableDeviceID));
  }
}

struct AdIDCase {
  const char* label;
  std::string signals;
  int64_t trackingStatus;
  bool gate;
  bool adIDTravels;
};

TEST_F(BundleConsentTest, AdvertisingIdentifierNeedsAdStorageAndThePassedGate) {
  const std::string adID = "12345678-1234-1234-1234-123456789ABC";
  setAdvertising(true, adID);
  const std::vector<AdIDCase> cases = {
      {"granted", "G111", 3, false, true},
      {"ad storage denied", "G101", 3, false, false},
      {"gate on, tracking authorised", "G111", 3, true, true},
      {"gate on, tracking denied", "G111", 2, true, false},
      {"gate off, tracking denied", "G111", 2, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(c.trackingStatus);
    // Past the identity's cache of the advertising state.
    clock_->advance(60);
    auto bundle = applied(c.signals, std::nullopt, true, c.gate);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleResettableDeviceID), c.adIDTravels);
    if (c.adIDTravels) {
      EXPECT_EQ(APMPBGetString(bundle.get(), kBundleResettableDeviceID), adID);
      EXPECT_FALSE(APMPBHasField(bundle.get(), kBundleVendorID));
    }
    EXPECT_EQ(APMPBGetInt32(bundle.get(), kBundleTrackingAuthorization), c.trackingStatus);
  }
}

struct RedactionCase {
  const char* label;
  std::set<std::string> categories;
  std::optional<std::string> osVersion;
  bool deviceModel;
  bool appInstanceID;
  bool stitchingToken;
  std::vector<std::string> attributes;
};

TEST_F(BundleConsentTest, RedactionByDataCategory) {
  const std::vector<RedactionCase> cases = {
      {"none", {}, "17.4.1", true, true, true, {"_id", "_lte"}},
      {"app instance ID", {"app_instance_id"}, "17.4.1", true, false, true, {"_id", "_lte"}},
      {"user ID", {"user_id"}, "17.4.1", true, true, true, {"_lte"}},
      {"OS version", {"os_version"}, "17", true, true, true, {"_id", "_lte"}},
      {"device model", {"device_model"}, "17.4.1", false, true, true, {"_id", "_lte"}},
      {"device info", {"device_info"}, "17", false, true, true, {"_id", "_lte"}},
      {"enhanced user ID", {"enhanced_user_id"}, "17.4.1", true, true, false, {"_id", "_lte"}},
      {"several", {"user_id", "device_info"}, "17", false, true, true, {"_lte"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    APMPBSetString(bundle.get(), kBundleOSVersion, "17.4.1");
    APMPBSetString(bundle.get(), kBundleDeviceModel, "iPhone15,2");
    APMPBSetString(bundle.get(), kBundleAppInstanceID, "A1B2");
    APMPBSetString(bundle.get(), kBundleSessionStitchingToken, "token");
    std::vector<std::shared_ptr<APMPBUserAttribute>> attributes;
    for (const char* name : {"_id", "_lte"}) {
      auto attribute = std::make_shared<APMPBUserAttribute>();
      APMPBSetString(attribute.get(), kUserAttributeName, name);
      attributes.push_back(attribute);
    }
    APMPBSetMessageArray(bundle.get(), kBundleUserAttributes, attributes);

    onWorker([&] { APMRedactBundleForDataCategories(bundle.get(), c.categories, *engine_->identity()); });

    EXPECT_EQ(APMPBGetString(bundle.get(), kBundleOSVersion), c.osVersion);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleDeviceModel), c.deviceModel);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleAppInstanceID), c.appInstanceID);
    // A redacted app instance ID is replaced by the ephemeral one.
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleEphemeralAppInstanceID), !c.appInstanceID);
    EXPECT_EQ(APMPBHasField(bundle.get(), kBundleSessionStitchingToken), c.stitchingToken);
    std::vector<std::string> names;
    for (const auto& attribute : APMPBGetMessageArray<APMPBUserAttribute>(bundle.get(), kBundleUserAttributes)) {
      names.push_back(APMPBGetString(attribute.get(), kUserAttributeName).value_or(""));
    }
    EXPECT_EQ(names, c.attributes);
    std::vector<std::string> redacted;
    if (auto fields = APMPBGetArray(bundle.get(), kBundleRedactedFields, nullptr)) {
      for (const auto& field : *fields) redacted.push_back(field.string() != nullptr ? *field.string() : "?");
    }
    EXPECT_EQ(redacted, std::vector<std::string>(c.categories.begin(), c.categories.end()));
  }
}

TEST_F(BundleConsentTest, BundlesCompareByTheirConsentFields) {
  auto make = [](const std::optional<std::string>& signals, std::optional<int64_t> npa) {
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    if (signals) APMPBSetString(bundle.get(), kBundleConsentSignals, *signals);
    if (npa) {
      auto attribute = std::make_shared<APMPBUserAttribute>();
      APMPBSetString(attribute.get(), kUserAttributeName, "_npa");
      APMPBSetInt64(attribute.get(), kUserAttributeInt, *npa);
      APMPBSetMessageArray(bundle.get(), kBundleUserAttributes, std::vector{attribute});
    }
    return bundle;
  };
  EXPECT_TRUE(APMBundlesHaveSameConsent(make("G111", std::nullopt).get(), make("G111", 0).get()));
  EXPECT_TRUE(APMBundlesHaveSameConsent(make(std::nullopt, 1).get(), make(std::nullopt, 1).get()));
  EXPECT_FALSE(APMBundlesHaveSameConsent(make("G111", std::nullopt).get(), make(std::nullopt, std::nullopt).get()));
  EXPECT_FALSE(APMBundlesHaveSameConsent(make("G111", 1).get(), make("G111", 0).get()));
  EXPECT_FALSE(APMBundlesHaveSameConsent(make("G111", 1).get(), nullptr));
}

struct DiagnosticsCase {
  const char* label;
  std::vector<std::string> services;
  bool dmaRegion;
  bool adUserDataDenied;
  bool overwrite;
  std::optional<std::string> storedServices;  // also stands for stored diagnostics and region
  std::optional<std::string> expectedServices;
  bool rewritten;  // diagnostics and region flag written
};

TEST_F(BundleConsentTest, DigitalMarketsFieldsFollowRegionServicesAndOverwrite) {
  const std::vector<DiagnosticsCase> cases = {
      {"region, services sorted and joined", {"svc_b", "svc_a"}, true, false, true, std::nullopt, "svc_asvc_b", true},
      {"ad user data denied", {"svc_b", "svc_a"}, true, true, true, std::nullopt, "-", true},
      {"no services", {}, true, false, true, std::nullopt, "-", true},
      {"outside the region", {"svc_a"}, false, false, true, "old", std::nullopt, true},
      {"stored values kept without overwrite", {"svc_a"}, true, false, false, "old", "old", false},
      {"empty fields filled without overwrite", {"svc_a"}, true, false, false, std::nullopt, "svc_a", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    applyConfig(ConfigBuilder()
                    .settings({{"measurement.upload.dma_consent_enabled", "1"}})
                    .consent({}, {}, c.services, c.dmaRegion));
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    if (c.storedServices) {
      APMPBSetString(bundle.get(), kBundleCorePlatformServices, *c.storedServices);
      APMPBSetString(bundle.get(), kBundleConsentDiagnostics, "stored");
      APMPBSetBool(bundle.get(), kBundleDMARegion, !c.dmaRegion);
    }
    APMApplyConsentDiagnosticsToBundle(bundle.get(), "fresh", c.adUserDataDenied, nullptr,
                                       *engine_->remoteConfigInstance(), c.overwrite);
    EXPECT_EQ(APMPBGetString(bundle.get(), kBundleCorePlatformServices), c.expectedServices);
    EXPECT_EQ(APMPBGetString(bundle.get(), kBundleConsentDiagnostics), c.rewritten ? "fresh" : "stored");
    EXPECT_EQ(APMPBGetBool(bundle.get(), kBundleDMARegion), c.rewritten ? c.dmaRegion : !c.dmaRegion);
  }
}

TEST_F(BundleConsentTest, AdPersonalizationAttributeIsAddedOnceUnlessOverwriting) {
  auto npa = [](int64_t value) {
    auto attribute = std::make_shared<APMPBUserAttribute>();
    APMPBSetString(attribute.get(), kUserAttributeName, "_npa");
    APMPBSetInt64(attribute.get(), kUserAttributeInt, value);
    return attribute;
  };
  auto count = [&](bool stored, bool overwrite) {
    auto bundle = std::make_shared<APMPBMeasurementBundle>();
    if (stored) APMPBSetMessageArray(bundle.get(), kBundleUserAttributes, std::vector{npa(0)});
    APMApplyConsentDiagnosticsToBundle(bundle.get(), "", false, npa(1).get(), *engine_->remoteConfigInstance(),
                                       overwrite);
    return APMPBGetMessageArray<APMPBUserAttribute>(bundle.get(), kBundleUserAttributes).size();
  };
  EXPECT_EQ(count(false, false), 1u);
  EXPECT_EQ(count(true, false), 1u);
  EXPECT_EQ(count(true, true), 2u);
}

TEST_F(BundleConsentTest, ConsentSignalsVersionFollowsTheConfiguration) {
  APMConsentSettingsUtil::setVersion(1);
  EXPECT_FALSE(APMSyncConsentSignalsVersion(false));
  EXPECT_TRUE(APMSyncConsentSignalsVersion(true));
  EXPECT_EQ(APMConsentSettingsUtil::version(), 2);
  EXPECT_FALSE(APMSyncConsentSignalsVersion(true));
  EXPECT_TRUE(APMSyncConsentSignalsVersion(false));
  EXPECT_EQ(APMConsentSettingsUtil::version(), 1);
}

// Built while analytics storage is denied, the bundle carries the signals
// string but neither the vendor identifier nor the app instance ID.
TEST_F(BundleConsentTest, AnalyticsDeniedBundleCarriesNoAnalyticsIdentifiers) {
  APMConsentSettingsUtil::setConsentSettings(
      APMConsentSettingsUtil::Settings{{APMConsentSettingsUtil::kAnalyticsStorage, Value("denied")}});
  fingerprint_ = storeMetadata();
  insert({{"a", kHourStart}});
  ASSERT_TRUE(bundleOnce());
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 1u);
  const auto& wire = bundles[0].wire;
  EXPECT_EQ(wire.string(testsupport::bundlefield::kConsentSignals), "G1-0");
  EXPECT_FALSE(wire.has(testsupport::bundlefield::kVendorIdentifier));
  EXPECT_FALSE(wire.has(testsupport::bundlefield::kAppInstanceId));
  EXPECT_FALSE(wire.has(testsupport::bundlefield::kAdvertisingIdentifier));
}

// The same road with consent granted carries both: the check above is not
// passing for want of identifiers.
TEST_F(BundleConsentTest, GrantedBundleCarriesTheAnalyticsIdentifiers) {
  insert({{"a", kHourStart}});
  ASSERT_TRUE(bundleOnce());
  auto bundles = queued();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_TRUE(bundles[0].wire.has(testsupport::bundlefield::kVendorIdentifier));
  EXPECT_TRUE(bundles[0].wire.has(testsupport::bundlefield::kAppInstanceId));
  EXPECT_EQ(bundles[0].wire.string(testsupport::bundlefield::kPlatform), "ios");
  EXPECT_TRUE(bundles[0].wire.has(testsupport::bundlefield::kAppIdentifier));
}

}  // namespace
}  // namespace measurement_test
