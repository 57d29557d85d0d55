// One tenant of a parking tile's Tenant tab: its name and the counts of its
// first (bike) and second (car) parking entries.
// The column header shows on the first row only (TileRowCell).
#pragma once

#include <memory>

#include "Facility/Screens/TileRowCell.h"

class ParkingTenantCell : public TileRowCell {
 public:
  static constexpr const char* kNibName = "ParkingTenantCell";

  using TileRowCell::TileRowCell;

  std::weak_ptr<uikit::Label> lbCompanyName, totalBike, occupiedBike, freeBike, totalCar, occupiedCar, freeCar;

  // Declares the nib "ParkingTenantCell".
  static void registerNib();
};
