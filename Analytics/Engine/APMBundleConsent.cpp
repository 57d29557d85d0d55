#include "Analytics/Engine/APMBundleConsent.h"

#include <optional>
#include <vector>

#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Protobuf/APMPBEventFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"

using namespace apm_bundle_fields;

namespace {

// Tracking authorised; and the status the platform uses for "not available".
constexpr int64_t kTrackingAuthorized = 3;
constexpr int64_t kTrackingStatusUnset = 6;

bool IsDeniedSignal(char signal) { return signal == '0' || signal == 'D' || signal == 'd'; }

std::vector<std::shared_ptr<APMPBUserAttribute>> Attributes(const APMPBMeasurementBundle* bundle) {
  return APMPBGetMessageArray<APMPBUserAttribute>(bundle, kBundleUserAttributes);
}

bool HasNpaAttribute(const APMPBMeasurementBundle* bundle) {
  for (const auto& attribute : Attributes(bundle)) {
    if (APMPBGetString(attribute.get(), kUserAttributeName) == "_npa") return true;
  }
  return false;
}

// An absent attribute reads as 0.
int64_t NpaValue(const APMPBMeasurementBundle* bundle) {
  for (const auto& attribute : Attributes(bundle)) {
    if (APMPBGetString(attribute.get(), kUserAttributeName) == "_npa") {
      return APMPBGetInt64(attribute.get(), kUserAttributeInt);
    }
  }
  return 0;
}

}  // namespace

bool APMSyncConsentSignalsVersion(bool consentSignalsG2Enabled) {
  int64_t target = consentSignalsG2Enabled ? 2 : 1;
  if (APMConsentSettingsUtil::version() == target) return false;
  APMConsentSettingsUtil::setVersion(target);
  return true;
}

void APMApplyConsentToBundle(APMPBMeasurementBundle* bundle, const std::string& consentSignals,
                             bool gateIDFAOnTrackingStatus, APMIdentity& identity, bool overwrite) {
  if (bundle == nullptr) return;
  bool adDenied = false;
  bool analyticsDenied = false;
  if (consentSignals.size() < 4) {
    if (consentSignals.empty()) APMPBClearField(bundle, kBundleConsentSignals);
  } else {
    std::string signals = consentSignals;
    if (overwrite || !APMPBHasField(bundle, kBundleConsentSignals)) {
      APMPBSetString(bundle, kBundleConsentSignals, consentSignals);
    } else {
      signals = APMPBGetString(bundle, kBundleConsentSignals).value_or("");
    }
    if (signals.size() >= 4) {
      adDenied = IsDeniedSignal(signals[2]);
      analyticsDenied = IsDeniedSignal(signals[3]);
    }
  }

  bool gateBlocked = false;
  if (APMIdentity::iOS14OrAbove()) {
    int64_t status = identity.appleConsentStatus();
    if (status != kTrackingStatusUnset) APMPBSetInt32(bundle, kBundleTrackingAuthorization, static_cast<int32_t>(status));
    gateBlocked = gateIDFAOnTrackingStatus && status != kTrackingAuthorized;
  }

  bool knowsLimitedAdTracking = identity.hasLimitedAdTracking();
  std::optional<std::string> resettableID = identity.resettableDeviceID();
  bool adIDAllowed = knowsLimitedAdTracking && IsNonEmpty(resettableID) && !adDenied && !gateBlocked;
  if (adIDAllowed) {
    if (!APMPBHasField(bundle, kBundleResettableDeviceID)) {
      APMPBSetString(bundle, kBundleResettableDeviceID, *resettableID);
    }
    APMPBClearField(bundle, kBundleVendorID);
  } else {
    std::optional<std::string> vendorID = analyticsDenied ? std::nullopt : identity.identifierForVendor();
    if (!IsNonEmpty(vendorID)) {
      APMPBClearField(bundle, kBundleResettableDeviceID);
      APMPBClearField(bundle, kBundleVendorID);
    } else {
      if (!APMPBHasField(bundle, kBundleVendorID)) APMPBSetString(bundle, kBundleVendorID, *vendorID);
      APMPBClearField(bundle, kBundleResettableDeviceID);
    }
  }

  if (!analyticsDenied) {
    std::optional<std::string> appInstanceID = identity.appInstanceID();
    if (IsNonEmpty(appInstanceID) && !IsNonEmpty(APMPBGetString(bundle, kBundleAppInstanceID))) {
      APMPBSetString(bundle, kBundleAppInstanceID, *appInstanceID);
    }
  }
  if (adDenied) APMPBClearField(bundle, kBundleResettableDeviceID);
  if (analyticsDenied) {
    APMPBClearField(bundle, kBundleVendorID);
    APMPBClearField(bundle, kBundleAppInstanceID);
  }
  if (knowsLimitedAdTracking) APMPBSetBool(bundle, kBundleLimitedAdTracking, identity.limitedAdTracking());
}

void APMApplyConsentDiagnosticsToBundle(APMPBMeasurementBundle* bundle, const std::string& diagnostics,
                                        bool adUserDataDenied, const APMPBUserAttribute* attribute,
                                        const APMRemoteConfig& remoteConfig, bool overwrite) {
  if (bundle == nullptr) return;
  if (overwrite || !APMPBHasField(bundle, kBundleConsentDiagnostics)) {
    APMPBSetString(bundle, kBundleConsentDiagnostics, diagnostics);
  }
  bool dmaRegion = remoteConfig.isDMARegion();
  if (overwrite || !APMPBHasField(bundle, kBundleDMARegion)) APMPBSetBool(bundle, kBundleDMARegion, dmaRegion);
  if (overwrite || !APMPBHasField(bundle, kBundleCorePlatformServices)) {
    std::set<std::string> services = remoteConfig.corePlatformServices();
    if (adUserDataDenied || services.empty()) {
      APMPBSetString(bundle, kBundleCorePlatformServices, "-");
    } else if (dmaRegion) {
      std::string joined;
      for (const auto& service : services) joined += service;
      APMPBSetString(bundle, kBundleCorePlatformServices, joined);
    } else {
      APMPBClearField(bundle, kBundleCorePlatformServices);
    }
  }
  if (attribute != nullptr && (overwrite || !HasNpaAttribute(bundle))) {
    auto attributes = Attributes(bundle);
    attributes.push_back(attribute->copy());
    APMPBSetMessageArray(bundle, kBundleUserAttributes, attributes);
  }
}

bool APMBundleContainsFirstOpen(const APMPBMeasurementBundle* bundle) {
  for (const auto& event : APMPBGetMessageArray<APMPBEvent>(bundle, kBundleEvents)) {
    if (APMPBGetString(event.get(), apm_event_fields::kEventName) == "_f") return true;
  }
  return false;
}

bool APMBundlesHaveSameConsent(const APMPBMeasurementBundle* bundle, const APMPBMeasurementBundle* other) {
  if (bundle == nullptr || other == nullptr) return false;
  for (int32_t field : {kBundleConsentSignals, kBundleConsentDiagnostics, kBundleCorePlatformServices}) {
    if (APMPBGetString(bundle, field) != APMPBGetString(other, field)) return false;
  }
  return APMPBGetBool(bundle, kBundleDMARegion) == APMPBGetBool(other, kBundleDMARegion) &&
         NpaValue(bundle) == NpaValue(other);
}

void APMRedactBundleForDataCategories(APMPBMeasurementBundle* bundle, const std::set<std::string>& categories,
                                      APMIdentity& identity) {
  if (bundle == nullptr || categories.empty()) return;
  if (categories.contains("app_instance_id")) {
    APMPBClearField(bundle, kBundleAppInstanceID);
    APMPBSetString(bundle, kBundleEphemeralAppInstanceID, identity.ephemeralAppInstanceID());
  }
  if (categories.contains("user_id")) {
    auto attributes = Attributes(bundle);
    std::erase_if(attributes, [](const auto& attribute) {
      return APMPBGetString(attribute.get(), kUserAttributeName) == "_id";
    });
    APMPBSetMessageArray(bundle, kBundleUserAttributes, attributes);
  }
  bool deviceInfo = categories.contains("device_info");
  if (deviceInfo || categories.contains("os_version")) {
    if (auto version = APMPBGetString(bundle, kBundleOSVersion)) {
      APMPBSetString(bundle, kBundleOSVersion, version->substr(0, version->find('.')));
    }
  }
  if (deviceInfo || categories.contains("device_model")) APMPBClearField(bundle, kBundleDeviceModel);
  if (categories.contains("enhanced_user_id")) APMPBClearField(bundle, kBundleSessionStitchingToken);
  std::vector<APMPBObject> names(categories.begin(), categories.end());
  APMPBSetArray(bundle, kBundleRedactedFields, &names);
}
