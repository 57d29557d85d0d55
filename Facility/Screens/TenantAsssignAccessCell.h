// One row of the access-assignment table: a building drop-down, a building
// with its floors, or a parking list. The row shows or hides its parts and
// sizes its grid by kind; a grid tile ticks the shared record in place, so
// the screen sees every choice without a callback.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Facility/Models/MDLBaseAssignFloor.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLFourWheeler.h"
#include "Facility/Models/MDLTwoWheeler.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/SimpleTextField.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/StackView.h"
#include "Platform/UIKit/TableViewCell.h"

class FloorNumberCell;

class TenantAsssignAccessCell : public uikit::TableViewCell,
                                public uikit::CollectionViewDataSource,
                                public uikit::CollectionViewDelegate {
 public:
  static constexpr const char* kNibName = "TenantAsssignAccessCell";
  static constexpr float kRaised = 999;
  static constexpr float kLowered = 250;

  enum class CellType { buildingDDL, building, twoWheeler, fourWheeler };

  using uikit::TableViewCell::TableViewCell;

  std::optional<CellType> cellType;
  std::vector<std::shared_ptr<MDLBaseAssignFloor>> arrFloors;
  std::vector<std::shared_ptr<MDLTwoWheeler>> arrTwoWheeler;
  std::vector<std::shared_ptr<MDLFourWheeler>> arrFourWheeler;
  std::vector<DefaultUpList> arrDefaultUp;
  std::vector<DefaultDownList> arrDefaultDown;

  std::weak_ptr<uikit::StackView> stackViewFloorDDL;
  std::weak_ptr<uikit::StackView> stackViewUpFloor;
  std::weak_ptr<SimpleTextField> txtFieldUpFloor;
  std::weak_ptr<uikit::ImageView> imgVwUpFloor;
  std::weak_ptr<uikit::StackView> stackViewDownFloor;
  std::weak_ptr<SimpleTextField> txtFieldDownFloor;
  std::weak_ptr<uikit::ImageView> imgVwDownFloor;
  std::weak_ptr<uikit::LayoutConstraint> cnTwoWheelerBottomSpaceToColView;
  std::weak_ptr<uikit::LayoutConstraint> cnFourWheelerBottomSpaceToColView;
  std::weak_ptr<uikit::LayoutConstraint> cnBtnBuildingBottomSpaceToSuperView;
  std::weak_ptr<uikit::LayoutConstraint> cnTwoWheelerBottomSpaceToSuperView;
  std::weak_ptr<uikit::LayoutConstraint> cnFourWheelerBottomSpaceToSuperView;
  std::weak_ptr<uikit::LayoutConstraint> cnColViewFloorsTopSpaceToStackViewFloorDDL;
  std::weak_ptr<uikit::LayoutConstraint> cnStackViewFloorDDLBottomSpaceToSuperView;
  std::weak_ptr<uikit::LayoutConstraint> cnStackViewFloorDDLTopSpaceToSuperView;
  std::weak_ptr<uikit::LayoutConstraint> cnStackViewFloorDDLTopSpaceToBtnBuilding;
  std::weak_ptr<uikit::LayoutConstraint> cnColViewFloorHeight;
  std::weak_ptr<uikit::View> vwLine;
  std::weak_ptr<GenericButton> btnBuilding;
  std::weak_ptr<GenericButton> btnTwoWheeler;
  std::weak_ptr<GenericButton> btnFourWheeler;

  std::shared_ptr<uikit::CollectionView> colViewFloors() const { return colViewFloors_.lock(); }
  // Connecting the grid registers its tile and makes the row its source.
  void setColViewFloors(const std::shared_ptr<uikit::CollectionView>& view);

  void awakeFromNib() override;

  // Shows the parts of a row of this kind, raises its constraints and sizes
  // the grid from the records it lists.
  void updateLayout(CellType type);

  // Height of a grid of count items at width: every item is held, however
  // many fit in a line.
  static double gridHeight(std::size_t count, double width, double interitemSpacing);

  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view, long section) override;

  // Places the parts along the constraints that win by priority.
  void layoutSubviews() override;

  static void registerNib();

 protected:
  uikit::Size contentFittingSize(double maxWidth) const override;

 private:
  struct Placement {
    double buttonTop = 0, buttonBottom = 0, stackTop = 0, stackBottom = 0, gridTop = 0, gridBottom = 0, bottom = 0;
  };
  Placement place() const;
  std::size_t listedCount() const;
  void configureItem(FloorNumberCell& item, std::size_t index);

  std::weak_ptr<uikit::CollectionView> colViewFloors_;
  std::optional<CellType> laidOutAs_;
  double laidOutWidth_ = -1;
};
