#include "Platform/StoreKit/SKAdNetwork.h"

#include <atomic>

namespace storekit {
namespace {
std::atomic<int> gRegistrations{0};
}  // namespace

void SKAdNetwork::registerAppForAdNetworkAttribution() { gRegistrations.fetch_add(1); }

int SKAdNetwork::registrationCount() { return gRegistrations.load(); }

void SKAdNetwork::reset() { gRegistrations = 0; }

}  // namespace storekit
