// One tenant of the visitor tile's Tenant tab: its name and its visitors in,
// in the premises and out.
// The column header shows on the first row only (TileRowCell).
#pragma once

#include <memory>

#include "Facility/Screens/TileRowCell.h"

class VisitorTenantCell : public TileRowCell {
 public:
  static constexpr const char* kNibName = "VisitorTenantCell";

  using TileRowCell::TileRowCell;

  std::weak_ptr<uikit::Label> lbCompanyName, lbVisitorIn, lbVisitorInPremise, lbVisitorOut;

  // Declares the nib "VisitorTenantCell".
  static void registerNib();
};
