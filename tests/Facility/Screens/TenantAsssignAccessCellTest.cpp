#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Facility/Screens/FloorNumberCell.h"
#include "Facility/Screens/TenantAsssignAccessCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/NibLoader.h"
#include "Platform/UIKit/Control.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

using CellType = TenantAsssignAccessCell::CellType;

template <class R>
std::vector<std::shared_ptr<R>> records(int n, const std::string& prefix) {
  std::vector<std::shared_ptr<R>> out;
  for (int i = 1; i <= n; ++i) {
    auto r = std::make_shared<R>();
    r->text = prefix + std::to_string(i);
    r->value = std::to_string(i);
    out.push_back(r);
  }
  return out;
}

class TenantAsssignAccessCellTest : public ScreensFixture {
 protected:
  // A row whose grid is gridWidth wide (the row's margins are 10 a side).
  static std::shared_ptr<TenantAsssignAccessCell> loadRow(double gridWidth = 320) {
    auto row = std::dynamic_pointer_cast<TenantAsssignAccessCell>(NibLoader::loadFromNib("TenantAsssignAccessCell"));
    if (!row) return nullptr;
    row->setFrame(uikit::Rect(0, 0, gridWidth + 20, 160));
    row->layoutIfNeeded();
    return row;
  }

  static std::map<std::string, std::shared_ptr<uikit::View>> parts(TenantAsssignAccessCell& row) {
    return {{"stackViewFloorDDL", row.stackViewFloorDDL.lock()}, {"stackViewUpFloor", row.stackViewUpFloor.lock()},
            {"stackViewDownFloor", row.stackViewDownFloor.lock()}, {"imgVwUpFloor", row.imgVwUpFloor.lock()},
            {"btnBuilding", row.btnBuilding.lock()},           {"btnTwoWheeler", row.btnTwoWheeler.lock()},
            {"btnFourWheeler", row.btnFourWheeler.lock()},     {"colViewFloors", row.colViewFloors()}};
  }

  static std::map<std::string, std::shared_ptr<uikit::LayoutConstraint>> optionals(TenantAsssignAccessCell& row) {
    return {{"cnTwoWheelerBottomSpaceToColView", row.cnTwoWheelerBottomSpaceToColView.lock()},
            {"cnFourWheelerBottomSpaceToColView", row.cnFourWheelerBottomSpaceToColView.lock()},
            {"cnBtnBuildingBottomSpaceToSuperView", row.cnBtnBuildingBottomSpaceToSuperView.lock()},
            {"cnTwoWheelerBottomSpaceToSuperView", row.cnTwoWheelerBottomSpaceToSuperView.lock()},
            {"cnFourWheelerBottomSpaceToSuperView", row.cnFourWheelerBottomSpaceToSuperView.lock()},
            {"cnColViewFloorsTopSpaceToStackViewFloorDDL", row.cnColViewFloorsTopSpaceToStackViewFloorDDL.lock()},
            {"cnStackViewFloorDDLBottomSpaceToSuperView", row.cnStackViewFloorDDLBottomSpaceToSuperView.lock()},
            {"cnStackViewFloorDDLTopSpaceToSuperView", row.cnStackViewFloorDDLTopSpaceToSuperView.lock()},
            {"cnStackViewFloorDDLTopSpaceToBtnBuilding", row.cnStackViewFloorDDLTopSpaceToBtnBuilding.lock()}};
  }

  static std::shared_ptr<FloorNumberCell> item(uikit::CollectionView& grid, long index) {
    grid.layoutIfNeeded();
    return std::dynamic_pointer_cast<FloorNumberCell>(grid.cellForItemAtIndexPath(uikit::IndexPath::forItem(index, 0)));
  }
};

TEST_F(TenantAsssignAccessCellTest, GridHeightHoldsEveryItemOfTheLines) {
  struct Case {
    std::size_t count;
    double width;
    double spacing;
    double height;
  };
  // At 320 the items are 50 wide: six to a line of 40.
  for (const Case& c : std::vector<Case>{{0, 320, 0, 0},
                                         {1, 320, 0, 40},
                                         {6, 320, 0, 40},
                                         {7, 320, 0, 80},
                                         {8, 320, 0, 80},
                                         {13, 320, 0, 120},
                                         {8, 320, 10, 80},    // five to a line with spacing 10
                                         {11, 320, 10, 120},
                                         {3, 40, 0, 10},      // items 15 wide, two to a line of 5
                                         {2, 12, 0, 2},       // one to a line even when none fits
                                         {5, 0, 0, 0}}) {
    EXPECT_EQ(TenantAsssignAccessCell::gridHeight(c.count, c.width, c.spacing), c.height)
        << c.count << " items at width " << c.width << ", spacing " << c.spacing;
  }
}

TEST_F(TenantAsssignAccessCellTest, EachKindShowsItsPartsAndRaisesItsConstraints) {
  struct Case {
    CellType type;
    bool selected;
    std::set<std::string> shown;
    std::set<std::string> hidden;
    std::set<std::string> raised;
    double gridHeight;  // the nib value 77 stays when the kind leaves it
  };
  const std::vector<Case> cases = {
      {CellType::buildingDDL, false, {"stackViewFloorDDL", "stackViewUpFloor"},
       {"btnBuilding", "btnTwoWheeler", "btnFourWheeler", "colViewFloors", "stackViewDownFloor", "imgVwUpFloor"},
       {"cnStackViewFloorDDLBottomSpaceToSuperView", "cnStackViewFloorDDLTopSpaceToSuperView"}, 77},
      {CellType::building, true, {"stackViewFloorDDL", "stackViewUpFloor", "stackViewDownFloor", "colViewFloors"}, {},
       {"cnStackViewFloorDDLTopSpaceToBtnBuilding", "cnColViewFloorsTopSpaceToStackViewFloorDDL"}, 80},
      {CellType::building, false, {},
       {"stackViewFloorDDL", "stackViewUpFloor", "stackViewDownFloor", "colViewFloors"},
       {"cnBtnBuildingBottomSpaceToSuperView"}, 0},
      {CellType::twoWheeler, true, {"colViewFloors"}, {}, {"cnTwoWheelerBottomSpaceToColView"}, 120},
      {CellType::twoWheeler, false, {}, {"colViewFloors"}, {"cnTwoWheelerBottomSpaceToSuperView"}, 0},
      {CellType::fourWheeler, true, {"colViewFloors"}, {}, {"cnFourWheelerBottomSpaceToColView"}, 40},
      {CellType::fourWheeler, false, {}, {"colViewFloors"}, {"cnFourWheelerBottomSpaceToSuperView"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.type) << (c.selected ? " ticked" : " unticked"));
    auto row = loadRow(320);
    ASSERT_TRUE(row);
    row->arrFloors = records<MDLBaseAssignFloor>(8, "F");
    row->arrTwoWheeler = records<MDLTwoWheeler>(13, "T");
    row->arrFourWheeler = records<MDLFourWheeler>(5, "C");
    row->cnColViewFloorHeight.lock()->setConstant(77);
    // Every part starts the other way round, so each change is the layout's.
    for (const auto& [name, view] : parts(*row)) {
      ASSERT_TRUE(view) << name;
      view->setHidden(c.shown.count(name) == 0);
    }
    for (const auto& [name, constraint] : optionals(*row)) {
      ASSERT_TRUE(constraint) << name;
      constraint->setPriority(c.raised.count(name) ? 250 : 999);
    }
    for (const auto& button : {row->btnBuilding, row->btnTwoWheeler, row->btnFourWheeler}) {
      button.lock()->setSelected(c.selected);
    }
    row->updateLayout(c.type);

    for (const auto& [name, view] : parts(*row)) {
      if (c.shown.count(name)) {
        EXPECT_FALSE(view->isHidden()) << name << " shown";
      }
      if (c.hidden.count(name)) {
        EXPECT_TRUE(view->isHidden()) << name << " hidden";
      }
    }
    for (const auto& [name, constraint] : optionals(*row)) {
      EXPECT_EQ(constraint->priority(), c.raised.count(name) ? 999.0f : 250.0f) << name;
    }
    EXPECT_EQ(row->cnColViewFloorHeight.lock()->constant(), c.gridHeight);
  }
}

TEST_F(TenantAsssignAccessCellTest, RaisedConstraintDecidesTheRowHeight) {
  auto row = loadRow(320);
  ASSERT_TRUE(row);
  row->arrFloors = records<MDLBaseAssignFloor>(13, "F");
  auto building = row->btnBuilding.lock();
  building->setHidden(false);
  building->setSelected(false);
  row->updateLayout(CellType::building);
  const double closed = row->systemLayoutSizeFittingSize({340, 0}).height;
  building->setSelected(true);
  row->updateLayout(CellType::building);
  const double open = row->systemLayoutSizeFittingSize({340, 0}).height;
  row->updateLayout(CellType::buildingDDL);
  const double dropDown = row->systemLayoutSizeFittingSize({340, 0}).height;
  EXPECT_GT(closed, 0);
  // Open: the button, the floor fields and the whole 120-point grid.
  EXPECT_GE(open, closed + 40 + 120);
  EXPECT_GT(dropDown, 0);
  EXPECT_LT(dropDown, open);
}

TEST_F(TenantAsssignAccessCellTest, EveryItemOfAnEightFloorGridLiesInsideIt) {
  auto row = loadRow(320);
  ASSERT_TRUE(row);
  row->arrFloors = records<MDLBaseAssignFloor>(8, "F");
  auto building = row->btnBuilding.lock();
  building->setHidden(false);
  building->setSelected(true);
  row->updateLayout(CellType::building);
  row->layoutIfNeeded();
  auto grid = row->colViewFloors();
  grid->reloadData();
  grid->layoutIfNeeded();
  EXPECT_EQ(grid->collectionViewLayout().minimumInteritemSpacing, 0);
  EXPECT_FALSE(grid->isScrollEnabled);
  const double height = row->cnColViewFloorHeight.lock()->constant();
  EXPECT_EQ(grid->bounds().height(), height);
  for (long i = 0; i < 8; ++i) {
    const uikit::Rect frame = grid->frameForItemAtIndexPath(uikit::IndexPath::forItem(i, 0));
    EXPECT_EQ(frame.size, (uikit::Size{50, 40})) << "item " << i;
    EXPECT_LE(frame.maxY(), height) << "item " << i << " is cut off";
    EXPECT_TRUE(item(*grid, i)) << "item " << i << " has a cell on show";
  }
  // One line of 40, as eight to a line would give, would cut off the two
  // items of the second line.
  EXPECT_GT(grid->frameForItemAtIndexPath(uikit::IndexPath::forItem(6, 0)).maxY(), 40);
}

TEST_F(TenantAsssignAccessCellTest, GridListsTheRecordsOfTheVisibleButton) {
  auto row = loadRow(320);
  ASSERT_TRUE(row);
  row->arrFloors = records<MDLBaseAssignFloor>(3, "F");
  row->arrTwoWheeler = records<MDLTwoWheeler>(4, "T");
  row->arrFourWheeler = records<MDLFourWheeler>(5, "C");
  auto grid = row->colViewFloors();
  struct Case {
    bool building, two;
    long count;
    std::string firstTitle;
  };
  for (const Case& c : std::vector<Case>{{true, true, 3, "F1"}, {false, true, 4, "T1"}, {false, false, 5, "C1"}}) {
    row->btnBuilding.lock()->setHidden(!c.building);
    row->btnTwoWheeler.lock()->setHidden(!c.two);
    row->btnFourWheeler.lock()->setHidden(false);
    grid->setFrame(uikit::Rect(10, 0, 320, 200));
    grid->setHidden(false);
    grid->reloadData();
    EXPECT_EQ(grid->numberOfItemsInSection(0), c.count);
    auto first = item(*grid, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->btnFloorNumber.lock()->titleForState(uikit::kControlStateNormal), c.firstTitle);
  }
}

TEST_F(TenantAsssignAccessCellTest, ItemTapFlipsTheSharedRecord) {
  auto row = loadRow(320);
  ASSERT_TRUE(row);
  auto spaces = records<MDLTwoWheeler>(2, "T");
  const auto screensRecord = spaces[1];  // the screen holds the same objects
  ASSERT_FALSE(screensRecord->isSelected.has_value());
  row->arrTwoWheeler = spaces;
  row->btnBuilding.lock()->setHidden(true);
  auto two = row->btnTwoWheeler.lock();
  two->setHidden(false);
  two->setSelected(true);
  row->updateLayout(CellType::twoWheeler);
  row->layoutIfNeeded();
  auto grid = row->colViewFloors();
  grid->reloadData();

  auto button = [&] { return item(*grid, 1)->btnFloorNumber.lock(); };
  EXPECT_FALSE(button()->isSelected());
  EXPECT_EQ(button()->backgroundColor(), AppColor::white());
  const std::vector<std::pair<bool, uikit::Color>> steps = {{true, AppColor::green()}, {false, AppColor::white()}};
  for (const auto& [ticked, colour] : steps) {
    button()->sendActionsForControlEvents(uikit::kControlEventTouchUpInside);
    EXPECT_EQ(screensRecord->isSelected, std::optional<bool>(ticked));
    EXPECT_EQ(row->arrTwoWheeler[1], screensRecord) << "the same object stays in the list";
    EXPECT_EQ(button()->isSelected(), ticked);
    EXPECT_EQ(button()->backgroundColor(), colour);
  }
  EXPECT_FALSE(spaces[0]->isSelected.has_value()) << "the other space is untouched";
}

TEST_F(TenantAsssignAccessCellTest, FloorTileHasARoundedGrayBorder) {
  auto tile = std::dynamic_pointer_cast<FloorNumberCell>(NibLoader::loadFromNib("FloorNumberCell"));
  ASSERT_TRUE(tile);
  EXPECT_FALSE(tile->floor);
  auto inner = tile->vwInner();
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->layer().cornerRadius, 3.0);
  EXPECT_TRUE(inner->layer().masksToBounds);
  EXPECT_EQ(inner->layer().borderWidth, 1.0);
  EXPECT_EQ(inner->layer().borderColor, std::optional<uikit::Color>(uikit::Color::rgb255(180, 180, 180)));
  auto row = loadRow(320);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->txtFieldUpFloor.lock()->tintColor(), AppColor::white());
  EXPECT_EQ(row->txtFieldDownFloor.lock()->tintColor(), AppColor::white());
}

}  // namespace
}  // namespace screens_test
