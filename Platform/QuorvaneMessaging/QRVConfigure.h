// Configures the vendor's default app at launch: marks it configured and
// lets every registered internal library make its components, once.
#pragma once

namespace platform {
void QRVConfigure();
int QRVConfigureCount();
}  // namespace platform
