// A place on the globe, in degrees.
#pragma once

namespace corelocation {

struct CLLocationCoordinate2D {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const CLLocationCoordinate2D&, const CLLocationCoordinate2D&) = default;
};

class CLLocation {
 public:
  CLLocation() = default;
  CLLocation(double latitude, double longitude) : coordinate_{latitude, longitude} {}
  const CLLocationCoordinate2D& coordinate() const { return coordinate_; }
  friend bool operator==(const CLLocation&, const CLLocation&) = default;

 private:
  CLLocationCoordinate2D coordinate_;
};

}  // namespace corelocation
