// Configures the vendor's default app at launch: marks it configured, lets
// every registered internal library make its components, then starts the
// analytics library with the app ID of the main bundle's
// "TrivandelService-Info.plist" ("TRIVANDEL_APP_ID"), collection enabled and
// not deactivated. Once per process; without the file (or without a
// registered analytics start) analytics is not started.
#pragma once

namespace platform {
void QRVConfigure();
int QRVConfigureCount();
}  // namespace platform
