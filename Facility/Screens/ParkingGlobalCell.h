// One vehicle type of a parking tile's Global tab: its icon and the total,
// occupied and free counts.
// The column header shows on the first row only (TileRowCell).
#pragma once

#include <memory>

#include "Facility/Screens/TileRowCell.h"
#include "Platform/UIKit/ImageView.h"

class ParkingGlobalCell : public TileRowCell {
 public:
  static constexpr const char* kNibName = "ParkingGlobalCell";

  using TileRowCell::TileRowCell;

  std::weak_ptr<uikit::Label> lbTotal, lbOccupied, lbFree;
  std::weak_ptr<uikit::ImageView> imgVwVehicle;

  // Declares the nib "ParkingGlobalCell".
  static void registerNib();
};
