#include <memory>
#include <string>
#include <vector>

#include "Facility/Screens/BuildingCell.h"
#include "Facility/Screens/TenantBuildingCell.h"
#include "Facility/Screens/TenantParkingCell.h"
#include "Facility/Screens/UserCell.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/WebImageManager.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

std::string textOf(const std::weak_ptr<uikit::Label>& label) { return label.lock()->text().value_or(""); }

class TenantDashboardCellsTest : public ScreensFixture {
 protected:
  void TearDown() override {
    uikit::WebImageManager::shared().reset();
    ScreensFixture::TearDown();
  }
  // The two lines as "total / in use / free".
  static std::vector<std::string> lines(const TenantParkingCell& cell) {
    return {textOf(cell.lbTotalFirst) + "/" + textOf(cell.lbInUseFirst) + "/" + textOf(cell.lbFreeFirst),
            textOf(cell.lbTotalSecond) + "/" + textOf(cell.lbInUseSecond) + "/" + textOf(cell.lbFreeSecond)};
  }
};

MDLOccupancy occupancy(std::optional<std::string> total, std::optional<std::string> occupied,
                       std::optional<std::string> free) {
  MDLOccupancy o;
  o.total = std::move(total);
  o.occupied = std::move(occupied);
  o.free = std::move(free);
  return o;
}

MDLIdentity identity(std::optional<std::string> type, const std::string& total) {
  MDLIdentity i;
  i.identityType = std::move(type);
  i.total = total;
  i.occupied = "1";
  i.free = "0";
  return i;
}

// Every fill goes to the same cell, as a recycled row does: a line the
// record does not cover shows the empty text of a fresh card.
TEST_F(TenantDashboardCellsTest, ParkingLinesComeByPositionAndRecycledLinesEmpty) {
  auto cell = fromNib<TenantParkingCell>(TenantParkingCell::kNibName);
  ASSERT_TRUE(cell);
  struct Case {
    const char* name;
    std::optional<std::vector<MDLOccupancy>> list;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"two", std::vector<MDLOccupancy>{occupancy("10", "12", "6"), occupancy("4", "1", "3")},
       {"10/| 12 |/6", "4/| 1 |/3"}},
      {"one, occupied absent", std::vector<MDLOccupancy>{occupancy("8", std::nullopt, "8")}, {"8/| 0 |/8", "//"}},
      {"three", std::vector<MDLOccupancy>{occupancy("1", "1", "0"), occupancy(std::nullopt, "2", std::nullopt),
                                          occupancy("9", "9", "9")},
       {"1/| 1 |/0", "/| 2 |/"}},
      {"none", std::nullopt, {"//", "//"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MDLAllottedParkingTileList tile;
    tile.timeName = c.name;
    tile.occupancyList = c.list;
    cell->fillParking(tile);
    EXPECT_EQ(lines(*cell), c.lines);
    EXPECT_EQ(cell->lbTitle.lock()->text(), c.name);
    EXPECT_EQ(cell->imgVwFirst.lock()->image(), uikit::Image::named("car_grey"));
    EXPECT_EQ(cell->imgVwSecond.lock()->image(), uikit::Image::named("bike_grey"));
  }
  MDLAllottedParkingTileList untitled;
  cell->fillParking(untitled);
  EXPECT_EQ(cell->lbTitle.lock()->text(), "");
}

TEST_F(TenantDashboardCellsTest, IdentityLinesTakeTheFirstPAndTheFirstB) {
  auto cell = fromNib<TenantParkingCell>(TenantParkingCell::kNibName);
  ASSERT_TRUE(cell);
  struct Case {
    const char* name;
    std::vector<MDLIdentity> list;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"both, repeated", {identity("B", "7"), identity("P", "5"), identity("P", "6"), identity("B", "8")},
       {"5/| 1 |/0", "7/| 1 |/0"}},
      {"only B", {identity(std::nullopt, "1"), identity("b", "2"), identity("B", "3")}, {"//", "3/| 1 |/0"}},
      {"none", {}, {"//", "//"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cell->fillIdentity(c.list);
    EXPECT_EQ(lines(*cell), c.lines);
    EXPECT_EQ(cell->lbTitle.lock()->text(), "Identity");
    EXPECT_EQ(cell->imgVwBackground.lock()->image(), uikit::Image::named("identity_bg"));
  }
}

TEST_F(TenantDashboardCellsTest, ParkingCardIsStyledAndItsIconFramesRoundLater) {
  auto cell = fromNib<TenantParkingCell>(TenantParkingCell::kNibName);
  ASSERT_TRUE(cell);
  auto detail = cell->vwDetail.lock();
  EXPECT_EQ(detail->layer().cornerRadius, 5);
  EXPECT_EQ(detail->layer().borderColor, AppColor::green());
  EXPECT_EQ(cell->vwInner.lock()->layer().shadowOpacity, 0.4F);
  auto first = cell->imgVwBackFirst.lock();
  auto second = cell->imgVwBackSecond.lock();
  EXPECT_EQ(first->layer().cornerRadius, 0);
  runFor(0.01);
  EXPECT_EQ(first->layer().cornerRadius, first->frame().width() / 2);
  EXPECT_EQ(second->layer().cornerRadius, 0);
  runFor(0.09);
  EXPECT_EQ(second->layer().cornerRadius, second->frame().width() / 2);
  EXPECT_EQ(second->layer().borderWidth, 1);
}

MDLEmployee employee(const std::string& name) {
  MDLEmployee e;
  e.employeeId = "E-" + name;
  e.employeeName = name;
  e.mobileNumber = "98";
  e.department = "Ops";
  return e;
}

TEST_F(TenantDashboardCellsTest, EmployeeTextsMarkerAndAccessColours) {
  auto cell = fromNib<UserCell>(UserCell::kNibName);
  ASSERT_TRUE(cell);
  struct Case {
    std::optional<std::string> invitation;
    bool marker;
  };
  const Case cases[] = {{"1", false}, {"0", true}, {"", true}, {std::nullopt, true}, {"2", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.invitation.value_or("<absent>"));
    MDLEmployee e = employee("Ann");
    e.invitationStatus = c.invitation;
    cell->fill(e, nullptr);
    EXPECT_EQ(!cell->imgInvite.lock()->isHidden(), c.marker);
  }
  MDLEmployee e = employee("Bo");
  e.isTagAssigned = true;
  e.isFloorAccess = false;
  e.isParkingAccess = std::nullopt;
  e.isVisitorAssignAccess = true;
  cell->fill(e, nullptr);
  EXPECT_EQ(textOf(cell->lbName), "Bo");
  EXPECT_EQ(textOf(cell->lbEmpId), "E-Bo");
  EXPECT_EQ(textOf(cell->lbMobile), "98");
  EXPECT_EQ(textOf(cell->lbDepartment), "Ops");
  const std::pair<std::weak_ptr<uikit::View>, std::weak_ptr<uikit::ImageView>> pairs[] = {
      {cell->vwTag, cell->imgVwTag},
      {cell->vwAccess, cell->imgVwAccess},
      {cell->vwParking, cell->imgVwParking},
      {cell->vwVisitor, cell->imgVwVisitor}};
  const bool granted[] = {true, false, false, true};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pairs[i].first.lock()->backgroundColor(), granted[i] ? AppColor::green() : AppColor::lightGray());
    EXPECT_EQ(pairs[i].second.lock()->tintColor(), granted[i] ? AppColor::white() : uikit::Color::gray());
    EXPECT_EQ(pairs[i].second.lock()->image()->renderingMode(), uikit::ImageRenderingMode::kAlwaysTemplate);
  }
  // Absent texts clear what the last employee left.
  cell->fill(MDLEmployee{}, nullptr);
  EXPECT_EQ(textOf(cell->lbName) + textOf(cell->lbEmpId) + textOf(cell->lbMobile) + textOf(cell->lbDepartment), "");
}

TEST_F(TenantDashboardCellsTest, PhotoAddressJoinsTheServerAndThePathAsGiven) {
  UserDefaultsAccess::setValue(platform::Value("https://fac.example"), UserDefaultsKey::serverUrl);
  struct Case {
    std::optional<std::string> path;
    const char* address;
  };
  const Case cases[] = {
      {"img/7.png", "https://fac.example/img/7.png"},
      {" img/7.png", ""},  // kept untrimmed, which is no URL
      {"   ", ""},
      {"\n\t", ""},
      {"", ""},
      {std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.value_or("<absent>"));
    EXPECT_EQ(UserCell::photoAddress(c.path), c.address);
  }
}

// A recycled row whose employee has no photo shows the placeholder, and the
// former employee's photo, still loading, never lands on it.
TEST_F(TenantDashboardCellsTest, ARecycledRowWithoutPhotoShowsThePlaceholder) {
  UserDefaultsAccess::setValue(platform::Value("https://fac.example"), UserDefaultsKey::serverUrl);
  std::vector<uikit::WebImageManager::Done> pending;
  uikit::WebImageManager::shared().setLoader(
      [&](const std::string&, uikit::WebImageManager::Done done) { pending.push_back(std::move(done)); });
  auto cell = fromNib<UserCell>(UserCell::kNibName);
  ASSERT_TRUE(cell);
  auto photo = cell->imgVwUser.lock();
  for (const char* blank : {"   ", ""}) {
    SCOPED_TRACE(blank);
    MDLEmployee withPhoto = employee("Ann");
    withPhoto.employeeUrl = "a.png";
    cell->fill(withPhoto, nullptr);
    EXPECT_EQ(photo->sd_imageURL(), "https://fac.example/a.png");
    EXPECT_TRUE(photo->sd_showsActivityIndicator);
    MDLEmployee without = employee("Bo");
    without.employeeUrl = std::string(blank);
    cell->fill(without, nullptr);
    ASSERT_FALSE(pending.empty());
    pending.back()(uikit::Image::filled({10, 10}, AppColor::red()), "");
    pump();
    EXPECT_EQ(photo->image(), uikit::Image::named(UserCell::kPlaceholderImage));
    EXPECT_EQ(photo->sd_imageURL(), "");
    pending.clear();
  }
}

TEST_F(TenantDashboardCellsTest, OptionsButtonCallsBackWithTheLatestEmployee) {
  auto cell = fromNib<UserCell>(UserCell::kNibName);
  ASSERT_TRUE(cell);
  std::vector<std::string> opened;
  auto open = [&](const MDLEmployee& e) { opened.push_back(e.employeeName.value_or("")); };
  cell->fill(employee("Ann"), open);
  cell->fill(employee("Bo"), open);
  ASSERT_TRUE(cell->btnOptions.lock()->tap());
  EXPECT_EQ(opened, std::vector<std::string>{"Bo"});
}

class SelectionRecorder : public BuildingSelectionDelegate {
 public:
  void onBuildingSelected() override { ++calls; }
  int calls = 0;
};

MDLVisitorBuilding building(const std::string& name, int floors) {
  MDLVisitorBuilding b;
  b.text = name;
  b.value = name;
  if (floors >= 0) {
    b.floorList = std::vector<MDLLocation>{};
    for (int i = 0; i < floors; ++i) b.floorList->push_back({std::to_string(i), "F" + std::to_string(i)});
  }
  return b;
}

TEST_F(TenantDashboardCellsTest, ChoosingABuildingTurnsItGreenAndShowsItsFloors) {
  auto cell = fromNib<TenantBuildingCell>(TenantBuildingCell::kNibName);
  ASSERT_TRUE(cell);
  auto recorder = std::make_shared<SelectionRecorder>();
  const std::vector<MDLVisitorBuilding> buildings = {building("A", 2), building("B", -1), building("C", 3)};
  cell->fill(buildings, recorder);
  EXPECT_TRUE(cell->lbFloor.lock()->isHidden());
  EXPECT_TRUE(cell->colViewfloors.lock()->isHidden());
  EXPECT_EQ(cell->cnColViewBuildingBottomSpaceToContentView->priority(), 999);
  EXPECT_EQ(cell->cnColViewBuildingBottomSpaceToLbFloor->priority(), 250);
  struct Case {
    long chosen;
    std::size_t floors;
  };
  for (const Case c : {Case{1, 0}, Case{2, 3}}) {
    SCOPED_TRACE(c.chosen);
    auto carousel = cell->colViewBuilding.lock();
    ASSERT_TRUE(carousel->userSelectItem({0, c.chosen}));
    EXPECT_EQ(cell->selectedBuilding, c.chosen);
    EXPECT_EQ(cell->arrFloors.size(), c.floors);
    EXPECT_FALSE(cell->lbFloor.lock()->isHidden());
    for (long i = 0; i < 3; ++i) {
      auto item = std::dynamic_pointer_cast<BuildingCell>(carousel->cellForItemAtIndexPath({0, i}));
      ASSERT_TRUE(item);
      const bool chosen = i == c.chosen;
      EXPECT_EQ(item->vwInner.lock()->backgroundColor(), chosen ? AppColor::green() : AppColor::white());
      EXPECT_EQ(item->lbTitle.lock()->textColor(), chosen ? AppColor::white() : AppColor::gray93());
      EXPECT_EQ(item->imgVwBuilding.lock()->tintColor(), chosen ? AppColor::white() : AppColor::gray93());
    }
  }
  EXPECT_EQ(recorder->calls, 2);
  // Filled again (the table's reload), the choice stays and the strip shows.
  cell->fill(buildings, recorder);
  EXPECT_EQ(cell->selectedBuilding, 2);
  EXPECT_FALSE(cell->colViewfloors.lock()->isHidden());
  EXPECT_EQ(cell->cnColViewBuildingBottomSpaceToLbFloor->priority(), 999);
  EXPECT_EQ(cell->cnColViewBuildingBottomSpaceToContentView->priority(), 250);
  auto floors = cell->colViewfloors.lock();
  ASSERT_EQ(floors->numberOfItemsInSection(0), 3);
  EXPECT_EQ(floors->collectionViewLayout().minimumLineSpacing, 10);  // the delegate gives 5
  EXPECT_EQ(cell->collectionViewLayoutMinimumLineSpacingForSectionAtIndex(*floors, 0), 5);
  EXPECT_EQ(cell->collectionViewLayoutSizeForItemAtIndexPath(*floors, {0, 0}).width,
            floors->frame().width() * 0.125);
  // A shorter list drops a choice that points past its end.
  cell->fill({building("A", 2)}, recorder);
  EXPECT_FALSE(cell->selectedBuilding);
  EXPECT_TRUE(cell->colViewfloors.lock()->isHidden());
}

// Screen 390 wide, carousel 370: ten buildings make three pages; a drag
// that ends at 800 shows page 2 and settles at 740.
TEST_F(TenantDashboardCellsTest, CarouselPagesFollowTheOffset) {
  auto cell = fromNib<TenantBuildingCell>(TenantBuildingCell::kNibName);
  ASSERT_TRUE(cell);
  std::vector<MDLVisitorBuilding> buildings;
  for (int i = 0; i < 10; ++i) buildings.push_back(building("B" + std::to_string(i), 0));
  cell->fill(buildings, nullptr);
  auto carousel = cell->colViewBuilding.lock();
  auto pages = cell->pageControl.lock();
  ASSERT_EQ(uikit::Device::current().screenSize.width, 390);
  ASSERT_EQ(carousel->frame().width(), 370);
  EXPECT_EQ(pages->numberOfPages(), 3);
  EXPECT_EQ(pages->currentPageIndicatorTintColor, AppColor::darkBlue());
  EXPECT_EQ(cell->collectionViewLayoutSizeForItemAtIndexPath(*carousel, {0, 0}).width, (370 - 40) * 0.25);
  carousel->userScroll({800, 0}, true);
  EXPECT_EQ(pages->currentPage(), 2);
  EXPECT_EQ(carousel->contentOffset().x, 740);
  // While dragging: (offset + 390) / 390.
  carousel->userScroll({10, 0}, false);
  EXPECT_EQ(pages->currentPage(), 1);
  // Settling inside a page moves nothing.
  carousel->userScroll({370, 0}, true);
  EXPECT_EQ(pages->currentPage(), 1);
  EXPECT_EQ(carousel->contentOffset().x, 370);
  // A carousel without width keeps its page.
  auto frame = carousel->frame();
  frame.size.width = 0.5;
  carousel->setFrame(frame);
  carousel->setContentOffset({100, 0});
  cell->scrollViewDidEndDecelerating(*carousel);
  EXPECT_EQ(pages->currentPage(), 1);
  // Nor does a screen without width move it while dragging.
  auto profile = uikit::Device::current();
  profile.screenSize.width = 0;
  uikit::Device::setCurrent(profile);
  carousel->setContentOffset({800, 0});
  cell->scrollViewDidScroll(*carousel);
  uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
  EXPECT_EQ(pages->currentPage(), 1);
}

}  // namespace
}  // namespace screens_test
