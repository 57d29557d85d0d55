// The metadata stored with raw events: the app, device, consent and user
// attributes at logging time, and what of it a bundle keeps.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "tests/Analytics/Engine/Measurement/BundlingFixture.h"

namespace measurement_test {
namespace {

using namespace apm_bundle_fields;

class RawEventMetadataTest : public BundlingFixture {
 protected:
  std::shared_ptr<APMPBMeasurementBundle> create(const std::vector<APMUserAttribute>& attributes) {
    std::shared_ptr<APMPBMeasurementBundle> metadata;
    onWorker([&] { metadata = engine_->createRawEventMetadataWithUserAttributes(attributes); });
    return metadata;
  }
  static APMUserAttribute Attribute(const std::string& name, int64_t value) {
    return *APMUserAttribute::initWithOrigin("auto", name, APMValue(value), kStartNow);
  }
  static std::vector<std::string> AttributeNames(const APMPBMeasurementBundle* bundle) {
    std::vector<std::string> names;
    for (const auto& attribute : APMPBGetMessageArray<APMPBUserAttribute>(bundle, kBundleUserAttributes)) {
      names.push_back(APMPBGetString(attribute.get(), kUserAttributeName).value_or(""));
    }
    return names;
  }
};

TEST_F(RawEventMetadataTest, DescribesAppDeviceAndConsentWithoutEvents) {
  auto metadata = create({});
  ASSERT_TRUE(metadata);
  EXPECT_EQ(APMPBGetInt32(metadata.get(), kBundleProtocolVersion), 1);
  EXPECT_EQ(APMPBGetString(metadata.get(), kBundlePlatform), "ios");
  EXPECT_EQ(APMPBGetString(metadata.get(), kBundleAppVersion), "4.2");
  EXPECT_EQ(APMPBGetInt32(metadata.get(), kBundleAppVersionMajor), 4);
  EXPECT_EQ(APMPBGetInt32(metadata.get(), kBundleAppVersionMinor), 2);
  EXPECT_EQ(APMPBGetInt64(metadata.get(), kBundleLibraryVersionAtCreation), APMIdentity::appMeasurementLibraryVersion());
  EXPECT_TRUE(APMPBGetString(metadata.get(), kBundleDeviceModel).has_value());
  EXPECT_TRUE(APMPBGetString(metadata.get(), kBundleOSVersion).has_value());
  EXPECT_TRUE(APMPBHasField(metadata.get(), kBundleTimeZoneOffsetMinutes));
  EXPECT_EQ(APMPBGetString(metadata.get(), kBundleConsentSignals), APMConsentSettingsUtil::consentSignals());
  EXPECT_TRUE(APMPBHasField(metadata.get(), kBundleAppInstanceID));
  EXPECT_TRUE(APMPBGetMessageArray<APMPBEvent>(metadata.get(), kBundleEvents).empty());
  EXPECT_TRUE(AttributeNames(metadata.get()).empty());
  // Equal state gives equal metadata: raw events share one row.
  EXPECT_EQ(*create({})->protoBuffer(), *metadata->protoBuffer());
}

TEST_F(RawEventMetadataTest, UserAttributesInOrderAndTheStoredAdPersonalizationWithDigitalMarketsConsent) {
  onWorker([&] {
    ASSERT_TRUE(engine_->setUserPropertyInDatabaseOnWorkerQueue(Attribute("_npa", 1)));
  });
  auto without = create({Attribute("b", 2), Attribute("a", 1)});
  EXPECT_EQ(AttributeNames(without.get()), (std::vector<std::string>{"b", "a"}));

  configure({{"measurement.upload.dma_consent_enabled", "1"}});
  auto with = create({Attribute("b", 2), Attribute("a", 1)});
  EXPECT_EQ(AttributeNames(with.get()), (std::vector<std::string>{"b", "a", "_npa"}));
  EXPECT_TRUE(APMPBHasField(with.get(), kBundleDMARegion));
  EXPECT_TRUE(APMPBHasField(with.get(), kBundleConsentDiagnostics));
  // An "_npa" among the attributes is not added twice.
  auto given = create({Attribute("_npa", 0)});
  EXPECT_EQ(AttributeNames(given.get()), (std::vector<std::string>{"_npa"}));
}

struct StitchingCase {
  const char* label;
  bool featureEnabled;
  bool analyticsDenied;
  bool tokenTravels;
};

// The session stitching token is kept in the metadata but leaves the bundle
// unless the feature is on and analytics storage is not denied.
TEST_F(RawEventMetadataTest, SessionStitchingTokenTravelsOnlyWhenEnabled) {
  const std::vector<StitchingCase> cases = {
      {"feature on", true, false, true},
      {"feature off", false, false, false},
      {"feature on, analytics denied after logging", true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    APMConsentSettingsUtil::resetForTesting();
    configure({{"measurement.session_stitching_token_enabled", c.featureEnabled ? "1" : "0"}});
    fingerprint_ = storeMetadata();
    ASSERT_TRUE(APMPBHasField(metadata_.get(), kBundleSessionStitchingToken));
    insert({{"a", kHourStart}});
    if (c.analyticsDenied) {
      APMConsentSettingsUtil::setConsentSettings(
          APMConsentSettingsUtil::Settings{{APMConsentSettingsUtil::kAnalyticsStorage, Value("denied")}});
    }
    ASSERT_TRUE(bundleOnce());
    auto bundles = queued();
    ASSERT_EQ(bundles.size(), 1u);
    EXPECT_EQ(bundles[0].wire.has(extrafield::kSessionStitchingToken), c.tokenTravels);
    sql("DELETE FROM queue");
  }
}

}  // namespace
}  // namespace measurement_test
