// The visitor tile's Global tab: visitors in, in the premises and out.
// The column header shows on the first row only (TileRowCell).
#pragma once

#include <memory>

#include "Facility/Screens/TileRowCell.h"

class VisitorGlobalCell : public TileRowCell {
 public:
  static constexpr const char* kNibName = "VisitorGlobalCell";

  using TileRowCell::TileRowCell;

  std::weak_ptr<uikit::Label> lbVisitorIn, lbVisitorInPremise, lbVisitorOut;

  // Declares the nib "VisitorGlobalCell".
  static void registerNib();
};
