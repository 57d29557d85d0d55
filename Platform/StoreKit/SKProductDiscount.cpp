#include "Platform/StoreKit/SKProductDiscount.h"

#include <atomic>

namespace storekit {
namespace {
std::atomic<bool> gClassAvailable{true};
}  // namespace

bool SKProductDiscount::isClassAvailable() { return gClassAvailable.load(); }

void SKProductDiscount::setClassAvailable(bool available) { gClassAvailable = available; }

}  // namespace storekit
