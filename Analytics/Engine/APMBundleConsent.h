// What consent and the data controls allow a bundle to carry: identifiers
// kept or cleared by the consent signals string and the tracking state, the
// digital-markets consent fields, the comparison that decides whether two
// bundles may travel in one batch, and redaction by data category. Shared by
// bundling, which applies them to stored metadata, and the upload, which
// applies them again at send time.
#pragma once

#include <set>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"

class APMIdentity;
class APMRemoteConfig;

// Brings the consent signals version in line with the configuration (2 with
// the second generation of signals, else 1); true when it changed.
bool APMSyncConsentSignalsVersion(bool consentSignalsG2Enabled);

// Sets or clears the advertising and vendor identifiers, the app instance ID,
// the tracking status and limited ad tracking. Without overwrite an already
// stored signals string is the one that counts.
void APMApplyConsentToBundle(APMPBMeasurementBundle* bundle, const std::string& consentSignals,
                             bool gateIDFAOnTrackingStatus, APMIdentity& identity, bool overwrite);

// The diagnostics string, the region flag and the core platform services;
// an attribute given is appended unless the bundle already has "_npa".
void APMApplyConsentDiagnosticsToBundle(APMPBMeasurementBundle* bundle, const std::string& diagnostics,
                                        bool adUserDataDenied, const APMPBUserAttribute* attribute,
                                        const APMRemoteConfig& remoteConfig, bool overwrite);

bool APMBundleContainsFirstOpen(const APMPBMeasurementBundle* bundle);

// Equal consent strings, diagnostics, services, region flag and "_npa" value.
bool APMBundlesHaveSameConsent(const APMPBMeasurementBundle* bundle, const APMPBMeasurementBundle* other);

void APMRedactBundleForDataCategories(APMPBMeasurementBundle* bundle, const std::set<std::string>& categories,
                                      APMIdentity& identity);
