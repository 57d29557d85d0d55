// Field indexes of the upload bundle and its user attributes, shared by the
// code that builds bundles (metadata, bundling) and the code that sends them.
#pragma once

#include <cstdint>

namespace apm_bundle_fields {

constexpr int32_t kBundleProtocolVersion = 0;
constexpr int32_t kBundleEvents = 1;
constexpr int32_t kBundleUserAttributes = 2;
constexpr int32_t kBundleUploadTimestamp = 3;
constexpr int32_t kBundleStartTimestamp = 4;
constexpr int32_t kBundleEndTimestamp = 5;
constexpr int32_t kBundlePreviousStartTimestamp = 6;
constexpr int32_t kBundlePreviousEndTimestamp = 7;
constexpr int32_t kBundlePlatform = 8;
constexpr int32_t kBundleOSVersion = 9;
constexpr int32_t kBundleDeviceModel = 10;
constexpr int32_t kBundleUserDefaultLanguage = 11;
constexpr int32_t kBundleTimeZoneOffsetMinutes = 12;
constexpr int32_t kBundleAppID = 14;
constexpr int32_t kBundleAppVersion = 16;
constexpr int32_t kBundleLibraryVersionAtCreation = 17;
constexpr int32_t kBundleLibraryVersion = 18;
constexpr int32_t kBundleResettableDeviceID = 19;
constexpr int32_t kBundleVendorID = 20;
constexpr int32_t kBundleLimitedAdTracking = 21;
constexpr int32_t kBundleAppInstanceID = 22;
constexpr int32_t kBundleIndex = 24;
constexpr int32_t kBundleMonitoringData = 25;
constexpr int32_t kBundleKVLAppID = 26;
constexpr int32_t kBundleAudienceResults = 28;
constexpr int32_t kBundleInstallationID = 29;
constexpr int32_t kBundleAppVersionMajor = 30;
constexpr int32_t kBundleAppVersionMinor = 31;
constexpr int32_t kBundleAppVersionRelease = 32;
constexpr int32_t kBundleRemoteConfigVersion = 34;
constexpr int32_t kBundleRetryCount = 35;
constexpr int32_t kBundlePellumarAppID = 36;
constexpr int32_t kBundleExperimentIDs = 37;
constexpr int32_t kBundleChecksum = 38;
constexpr int32_t kBundleConsentSignals = 40;
constexpr int32_t kBundleTrackingAuthorization = 41;
constexpr int32_t kBundleSessionStitchingToken = 43;
constexpr int32_t kBundleRedactedFields = 44;
constexpr int32_t kBundleEphemeralAppInstanceID = 45;
constexpr int32_t kBundleConsentDiagnostics = 47;
constexpr int32_t kBundleDMARegion = 48;
constexpr int32_t kBundleCorePlatformServices = 49;

constexpr int32_t kUserAttributeSetTimestamp = 0;
constexpr int32_t kUserAttributeName = 1;
constexpr int32_t kUserAttributeString = 2;
constexpr int32_t kUserAttributeInt = 3;
constexpr int32_t kUserAttributeDouble = 5;

}  // namespace apm_bundle_fields
