// The tenant dashboard's building card: a carousel of the allotted
// buildings, four to a screen width, with page dots; choosing a building
// turns it green and shows its floors in a strip below. The choice stays
// with the cell object when it is filled again.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Facility/Models/MDLVisitorBuilding.h"
#include "Facility/Screens/BuildingSelectionDelegate.h"
#include "Facility/Widgets/GenericLabel.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/PageControl.h"
#include "Platform/UIKit/TableViewCell.h"

class TenantBuildingCell : public uikit::TableViewCell,
                           public uikit::CollectionViewDataSource,
                           public uikit::CollectionViewDelegate {
 public:
  static constexpr const char* kNibName = "TenantBuildingCell";
  static constexpr long kBuildingsPerPage = 4;
  // Card heights without and with the floor strip.
  static constexpr double kHeight = 190.0;
  static constexpr double kHeightWithFloors = 260.0;

  using uikit::TableViewCell::TableViewCell;

  std::vector<MDLVisitorBuilding> arrBuilding;
  std::vector<MDLLocation> arrFloors;
  std::optional<long> selectedBuilding;
  std::weak_ptr<BuildingSelectionDelegate> delegate;
  uikit::LayoutConstraintPtr cnColViewBuildingBottomSpaceToContentView;
  uikit::LayoutConstraintPtr cnColViewBuildingBottomSpaceToLbFloor;
  // The card's own height, which the table measures.
  uikit::LayoutConstraintPtr cnHeight;
  std::weak_ptr<uikit::PageControl> pageControl;
  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<GenericLabel> lbTitle, lbFloor;
  std::weak_ptr<uikit::CollectionView> colViewBuilding, colViewfloors;

  void setPageControl(const std::shared_ptr<uikit::PageControl>& control);
  void setVwInner(const std::shared_ptr<uikit::View>& view);
  void setColViewBuilding(const std::shared_ptr<uikit::CollectionView>& view);
  void setColViewfloors(const std::shared_ptr<uikit::CollectionView>& view);

  // Shows the buildings; the chosen building and its floors are kept.
  void fill(const std::vector<MDLVisitorBuilding>& buildings,
            const std::shared_ptr<BuildingSelectionDelegate>& selectionDelegate);
  // A tap on the carousel item at index.
  void chooseBuilding(long index);

  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view, long section) override;
  void collectionViewDidSelectItemAtIndexPath(uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  void scrollViewDidScroll(uikit::ScrollView& scrollView) override;
  void scrollViewDidEndDecelerating(uikit::ScrollView& scrollView) override;

  // Declares the card's nib and those of its items.
  static void registerNib();

 private:
  bool isCarousel(const uikit::ScrollView& view) const;
};
