#include <memory>
#include <string>
#include <vector>

#include "Facility/Screens/ParkingGlobalCell.h"
#include "Facility/Screens/ParkingTenantCell.h"
#include "Facility/Screens/VisitorGlobalCell.h"
#include "Facility/Screens/VisitorTenantCell.h"
#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"
#include "tests/Facility/Screens/FacilityDashboardFixture.h"

namespace screens_test {
namespace {

template <class Row>
std::shared_ptr<Row> innerRow(FacilityTileCell& tile, long row) {
  auto table = tile.innerTable.lock();
  if (!table) return nullptr;
  table->layoutIfNeeded();
  return std::dynamic_pointer_cast<Row>(table->cellForRowAtIndexPath({0, row}));
}

std::string text(const std::weak_ptr<uikit::Label>& label) { return label.lock()->text().value_or(""); }

MDLParkingTile tile(std::optional<std::string> type, std::optional<std::string> total = "1",
                    std::optional<std::string> occupied = "0", std::optional<std::string> free = "1") {
  return {std::move(type), std::move(total), std::move(occupied), std::move(free)};
}

class FacilityTilesTest : public FacilityDashboardFixture {
 protected:
  std::shared_ptr<FacilityParkingCell> parking() { return fromNib<FacilityParkingCell>(FacilityParkingCell::kNibName); }
  std::shared_ptr<FacilityVisitorCell> visitor() { return fromNib<FacilityVisitorCell>(FacilityVisitorCell::kNibName); }
};

TEST_F(FacilityTilesTest, InnerHeightsFollowTheChosenTab) {
  struct Case {
    const char* name;
    int globals;  // -1: absent
    int tenants;
    long tab;
    double parkingHeight, visitorHeight;
  };
  const Case cases[] = {
      {"four global", 4, 0, 0, 146, 150},
      {"three global", 3, 0, 0, 88, 120},
      {"absent", -1, -1, 0, 30, 30},
      {"two tenants", 4, 2, 1, 146, 90},
      {"no tenants", 4, -1, 1, 30, 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = parking();
    auto v = visitor();
    ASSERT_TRUE(p && v);
    if (c.globals >= 0) {
      p->arrGlobal = std::vector<MDLParkingTile>(static_cast<std::size_t>(c.globals), tile("1"));
      v->arrGlobal = std::vector<MDLVisitorGlobalTile>(static_cast<std::size_t>(c.globals));
    }
    if (c.tenants >= 0) {
      p->arrTenant = std::vector<MDLParkingTenantTile>(static_cast<std::size_t>(c.tenants));
      v->arrTenant = std::vector<MDLVisitorTenantTile>(static_cast<std::size_t>(c.tenants));
    }
    for (auto* t : std::vector<FacilityTileCell*>{p.get(), v.get()}) {
      t->segment.lock()->setSelectedSegmentIndex(c.tab);
      t->refreshInnerTable();
    }
    EXPECT_EQ(p->innerTableHeight(), c.parkingHeight);
    EXPECT_EQ(v->innerTableHeight(), c.visitorHeight);
    EXPECT_EQ(p->innerTable.lock()->numberOfRowsInSection(0), c.tab == 0 ? std::max(c.globals, 0) : std::max(c.tenants, 0));
  }
}

TEST_F(FacilityTilesTest, GlobalRowsShowTheBikeOnlyForTypeZeroAndTheHeaderOnce) {
  auto p = parking();
  ASSERT_TRUE(p);
  p->arrGlobal = std::vector<MDLParkingTile>{tile("0", "10", "4", "6"), tile("1"), tile("x"),
                                             tile(std::nullopt, "5", std::nullopt, "5")};
  p->refreshInnerTable();
  const char* images[] = {"bike", "car", "car", "car"};
  for (long row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    auto cell = innerRow<ParkingGlobalCell>(*p, row);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->imgVwVehicle.lock()->image()->name(), images[row]);
    EXPECT_EQ(cell->selectionStyle, uikit::TableViewCellSelectionStyle::kNone);
    const bool first = row == 0;
    EXPECT_EQ(cell->vwHeader.lock()->isHidden(), !first);
    EXPECT_EQ(cell->topSpaceToContentView->priority(), first ? 250 : 999);
    EXPECT_EQ(cell->topSpaceToContentView->constant(), first ? 30 : 0);
    EXPECT_EQ(cell->topSpaceToHeaderView->priority(), first ? 999 : 250);
  }
  auto first = innerRow<ParkingGlobalCell>(*p, 0);
  EXPECT_EQ(text(first->lbTotal) + "|" + text(first->lbOccupied) + "|" + text(first->lbFree), "10|4|6");
  // An absent count shows empty, as in a fresh cell.
  auto last = innerRow<ParkingGlobalCell>(*p, 3);
  EXPECT_EQ(text(last->lbTotal) + "|" + text(last->lbOccupied) + "|" + text(last->lbFree), "5||5");
}

// A recycled tenant row shows only its own record: one parking entry
// leaves the car line empty, not the previous tenant's.
TEST_F(FacilityTilesTest, ARecycledTenantRowShowsOnlyItsRecord) {
  auto p = parking();
  ASSERT_TRUE(p);
  p->segment.lock()->setSelectedSegmentIndex(1);
  p->arrTenant = std::vector<MDLParkingTenantTile>{{"Acme", std::vector<MDLParkingTile>{tile(std::nullopt, "2", "1", "1"),
                                                                                         tile(std::nullopt, "3", "0", "3")}}};
  p->refreshInnerTable();
  auto before = innerRow<ParkingTenantCell>(*p, 0);
  ASSERT_TRUE(before);
  EXPECT_EQ(text(before->totalCar), "3");
  p->arrTenant = std::vector<MDLParkingTenantTile>{{"Beta", std::vector<MDLParkingTile>{tile(std::nullopt, "9", "8", "1")}}};
  p->refreshInnerTable();
  auto after = innerRow<ParkingTenantCell>(*p, 0);
  ASSERT_EQ(after, before);  // the same cell, reused
  EXPECT_EQ(text(after->lbCompanyName), "Beta");
  EXPECT_EQ(text(after->totalBike) + "|" + text(after->occupiedBike) + "|" + text(after->freeBike), "9|8|1");
  EXPECT_EQ(text(after->totalCar) + "|" + text(after->occupiedCar) + "|" + text(after->freeCar), "||");
  p->arrTenant = std::vector<MDLParkingTenantTile>{{std::nullopt, std::nullopt}};
  p->refreshInnerTable();
  after = innerRow<ParkingTenantCell>(*p, 0);
  EXPECT_EQ(text(after->lbCompanyName) + text(after->totalBike) + text(after->totalCar), "");
}

TEST_F(FacilityTilesTest, SelectTabTogglesOnlyTheOtherTab) {
  auto p = parking();
  ASSERT_TRUE(p);
  int changes = 0;
  p->segment.lock()->addAction([&](uikit::Control&) { ++changes; }, uikit::kControlEventValueChanged);
  auto global = p->btnGlobal.lock();
  auto tenant = p->btnTenant.lock();
  // Fresh from the nib: Global chosen and green.
  EXPECT_TRUE(global->isSelected());
  EXPECT_EQ(global->backgroundColor(), AppColor::green());
  p->selectTab(global);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(global->isSelected());
  p->selectTab(tenant);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(tenant->isSelected());
  EXPECT_FALSE(global->isSelected());
  EXPECT_EQ(tenant->backgroundColor(), AppColor::green());
  EXPECT_EQ(global->backgroundColor(), AppColor::white());
  p->selectTab(tenant);
  EXPECT_EQ(changes, 1);
  p->selectTab(global);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(global->isSelected());
  EXPECT_FALSE(tenant->isSelected());
  EXPECT_EQ(global->backgroundColor(), AppColor::green());
}

// On the dashboard: a tile keeps its tab when the table fills it again, a
// visitor tile shows its one global record, and one without it shows none.
TEST_F(FacilityTilesTest, OnTheDashboardATileKeepsItsTabAndShowsOnlyItsRecord) {
  openDashboard();
  auto table = dashboard()->tblFacility();
  auto tileAt = [&](long row) { return std::dynamic_pointer_cast<FacilityTileCell>(table->cellForRowAtIndexPath({0, row})); };
  auto parkingTile = std::dynamic_pointer_cast<FacilityParkingCell>(tileAt(0));
  auto visitorTile = std::dynamic_pointer_cast<FacilityVisitorCell>(tileAt(1));
  ASSERT_TRUE(parkingTile && visitorTile);
  ASSERT_TRUE(visitorTile->arrGlobal && visitorTile->arrGlobal->size() == 1u);
  EXPECT_EQ(visitorTile->innerTableHeight(), 60);
  ASSERT_TRUE(parkingTile->btnTenant.lock()->tap());
  pump();
  parkingTile = std::dynamic_pointer_cast<FacilityParkingCell>(tileAt(0));
  ASSERT_TRUE(parkingTile);
  EXPECT_EQ(parkingTile->selectedTab(), 1);
  EXPECT_EQ(parkingTile->innerTableHeight(), 88);  // one tenant
  // The next load fills the same cells: the tab stays, the global list of
  // a visitor tile without one is gone.
  server_.setJsonReply(kDashboardPath, kTilesB);
  reappear();
  auto refilled = std::dynamic_pointer_cast<FacilityParkingCell>(tileAt(0));
  auto refilledVisitor = std::dynamic_pointer_cast<FacilityVisitorCell>(tileAt(1));
  ASSERT_TRUE(refilled && refilledVisitor);
  EXPECT_EQ(refilled->selectedTab(), 1);
  EXPECT_EQ(text(refilled->lbParkingTitle), "Parking B");
  EXPECT_FALSE(refilledVisitor->arrGlobal);
  EXPECT_EQ(refilledVisitor->innerTable.lock()->numberOfRowsInSection(0), 0);
}

}  // namespace
}  // namespace screens_test
