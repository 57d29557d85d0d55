// Location manager stand-in: records the authorisation request and the
// ranging constraints, and lets a test deliver region and ranging events.
// Callbacks reach the delegate on the main run loop.
#pragma once
#include <memory>
#include <vector>

#include "Platform/CoreLocation/CLBeaconRegion.h"

namespace corelocation {

class CLLocationManager;

struct CLBeacon {
  std::string uuid;
  int major = 0;
  int minor = 0;
  int proximity = 0;
  double accuracy = -1;
  int rssi = 0;
};

enum class CLAuthorizationStatus { notDetermined = 0, restricted = 1, denied = 2, authorizedAlways = 3,
                                   authorizedWhenInUse = 4 };

class CLLocationManagerDelegate {
 public:
  virtual ~CLLocationManagerDelegate() = default;
  virtual void locationManagerDidEnterRegion(CLLocationManager&, const CLBeaconRegion&) {}
  virtual void locationManagerDidExitRegion(CLLocationManager&, const CLBeaconRegion&) {}
  virtual void locationManagerDidRangeBeaconsSatisfyingConstraint(CLLocationManager&, const std::vector<CLBeacon>&,
                                                                  const CLBeaconIdentityConstraint&) {}
};

class CLLocationManager : public std::enable_shared_from_this<CLLocationManager> {
 public:
  std::shared_ptr<CLLocationManagerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<CLLocationManagerDelegate> delegate) { delegate_ = std::move(delegate); }

  // No prompt here: the request is recorded and granted.
  void requestAlwaysAuthorization();
  int authorizationRequests() const { return authorizationRequests_; }
  CLAuthorizationStatus authorizationStatus() const { return status_; }

  void startRangingBeaconsSatisfyingConstraint(const CLBeaconIdentityConstraint& constraint);
  void stopRangingBeaconsSatisfyingConstraint(const CLBeaconIdentityConstraint& constraint);
  const std::vector<CLBeaconIdentityConstraint>& rangedConstraints() const { return ranged_; }
  int rangingStarts() const { return rangingStarts_; }

  // Simulation: deliver events in a later main-loop turn.
  void simulateEnterRegion(const CLBeaconRegion& region);
  void simulateExitRegion(const CLBeaconRegion& region);
  void simulateRanging(const std::vector<CLBeacon>& beacons, const CLBeaconIdentityConstraint& constraint);

 private:
  std::weak_ptr<CLLocationManagerDelegate> delegate_;
  int authorizationRequests_ = 0;
  CLAuthorizationStatus status_ = CLAuthorizationStatus::notDetermined;
  std::vector<CLBeaconIdentityConstraint> ranged_;
  int rangingStarts_ = 0;
};

}  // namespace corelocation
