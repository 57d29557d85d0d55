// A visitor tile: Global shows the building's visitor counts as one row,
// Tenant one row per tenant.
#pragma once

#include <optional>
#include <vector>

#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Screens/FacilityTileCell.h"

class FacilityVisitorCell : public FacilityTileCell {
 public:
  static constexpr const char* kNibName = "FacilityVisitorCell";
  static constexpr double kRowStep = 30.0;

  using FacilityTileCell::FacilityTileCell;

  std::optional<std::vector<MDLVisitorGlobalTile>> arrGlobal;
  std::optional<std::vector<MDLVisitorTenantTile>> arrTenant;

  static double innerHeight(long tab, const std::optional<std::vector<MDLVisitorGlobalTile>>& global,
                            const std::optional<std::vector<MDLVisitorTenantTile>>& tenants);

  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& table,
                                                                       const uikit::IndexPath& indexPath) override;

  // Declares the tile's nib and those of its two row cells.
  static void registerNib();

 protected:
  long rowCount(long tab) const override;
  double heightForTab(long tab) const override { return innerHeight(tab, arrGlobal, arrTenant); }
  double rowHeight(long) const override { return kRowStep; }
};
