#include "Platform/CoreLocation/CLLocationManager.h"

#include <algorithm>

#include "Platform/Foundation/RunLoop.h"

namespace corelocation {

void CLLocationManager::requestAlwaysAuthorization() {
  ++authorizationRequests_;
  status_ = CLAuthorizationStatus::authorizedAlways;
}

void CLLocationManager::startRangingBeaconsSatisfyingConstraint(const CLBeaconIdentityConstraint& constraint) {
  ++rangingStarts_;
  if (std::find(ranged_.begin(), ranged_.end(), constraint) == ranged_.end()) ranged_.push_back(constraint);
}

void CLLocationManager::stopRangingBeaconsSatisfyingConstraint(const CLBeaconIdentityConstraint& constraint) {
  ranged_.erase(std::remove(ranged_.begin(), ranged_.end(), constraint), ranged_.end());
}

void CLLocationManager::simulateEnterRegion(const CLBeaconRegion& region) {
  std::weak_ptr<CLLocationManager> weak = weak_from_this();
  platform::RunLoop::main().async([weak, region] {
    auto self = weak.lock();
    if (!self) return;
    if (auto d = self->delegate()) d->locationManagerDidEnterRegion(*self, region);
  });
}

void CLLocationManager::simulateExitRegion(const CLBeaconRegion& region) {
  std::weak_ptr<CLLocationManager> weak = weak_from_this();
  platform::RunLoop::main().async([weak, region] {
    auto self = weak.lock();
    if (!self) return;
    if (auto d = self->delegate()) d->locationManagerDidExitRegion(*self, region);
  });
}

void CLLocationManager::simulateRanging(const std::vector<CLBeacon>& beacons,
                                        const CLBeaconIdentityConstraint& constraint) {
  std::weak_ptr<CLLocationManager> weak = weak_from_this();
  platform::RunLoop::main().async([weak, beacons, constraint] {
    auto self = weak.lock();
    if (!self) return;
    if (auto d = self->delegate()) d->locationManagerDidRangeBeaconsSatisfyingConstraint(*self, beacons, constraint);
  });
}

}  // namespace corelocation
