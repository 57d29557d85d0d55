// A parking tile: Global shows the counts per vehicle type, Tenant one row
// per tenant with its bike and car counts.
#pragma once

#include <optional>
#include <vector>

#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Screens/FacilityTileCell.h"

class FacilityParkingCell : public FacilityTileCell {
 public:
  static constexpr const char* kNibName = "FacilityParkingCell";
  static constexpr double kRowStep = 58.0;
  static constexpr const char* kBikeImage = "bike";
  static constexpr const char* kCarImage = "car";

  using FacilityTileCell::FacilityTileCell;

  std::optional<std::vector<MDLParkingTile>> arrGlobal;
  std::optional<std::vector<MDLParkingTenantTile>> arrTenant;
  std::weak_ptr<uikit::StackView> stackView;

  // The inner table's height for a tab of this record (two vehicle types
  // share one step on the Global tab).
  static double innerHeight(long tab, const std::optional<std::vector<MDLParkingTile>>& global,
                            const std::optional<std::vector<MDLParkingTenantTile>>& tenants);

  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& table,
                                                                       const uikit::IndexPath& indexPath) override;

  // Declares the tile's nib and those of its two row cells.
  static void registerNib();

 protected:
  long rowCount(long tab) const override;
  double heightForTab(long tab) const override { return innerHeight(tab, arrGlobal, arrTenant); }
  double rowHeight(long tab) const override;
};
