#include "Facility/Screens/FacilityParkingCell.h"

#include "Facility/Screens/ParkingGlobalCell.h"
#include "Facility/Screens/ParkingTenantCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppFont.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

namespace {

template <class T>
long countOf(const std::optional<std::vector<T>>& list) {
  return list ? static_cast<long>(list->size()) : 0;
}

}  // namespace

double FacilityParkingCell::innerHeight(long tab, const std::optional<std::vector<MDLParkingTile>>& global,
                                        const std::optional<std::vector<MDLParkingTenantTile>>& tenants) {
  const long n = tab == kGlobalTab ? countOf(global) / 2 : countOf(tenants);
  return kHeaderHeight + kRowStep * static_cast<double>(n);
}

long FacilityParkingCell::rowCount(long tab) const { return tab == kGlobalTab ? countOf(arrGlobal) : countOf(arrTenant); }

double FacilityParkingCell::rowHeight(long tab) const { return tab == kGlobalTab ? kRowStep / 2 : kRowStep; }

std::shared_ptr<uikit::TableViewCell> FacilityParkingCell::tableViewCellForRowAtIndexPath(
    uikit::TableView& table, const uikit::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (selectedTab() == kGlobalTab) {
    auto cell = std::dynamic_pointer_cast<ParkingGlobalCell>(
        table.dequeueReusableCellWithIdentifier(ParkingGlobalCell::kNibName, indexPath));
    if (!cell || !arrGlobal || row >= arrGlobal->size()) return std::make_shared<uikit::TableViewCell>();
    const MDLParkingTile& entry = (*arrGlobal)[row];
    cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
    cell->applyHeaderRule(indexPath.row);
    if (auto icon = cell->imgVwVehicle.lock()) {
      icon->setImage(uikit::Image::named(entry.vehicalType == "0" ? kBikeImage : kCarImage));
    }
    TileRowCell::show(cell->lbTotal, entry.total);
    TileRowCell::show(cell->lbOccupied, entry.occupied);
    TileRowCell::show(cell->lbFree, entry.free);
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<ParkingTenantCell>(
      table.dequeueReusableCellWithIdentifier(ParkingTenantCell::kNibName, indexPath));
  if (!cell || !arrTenant || row >= arrTenant->size()) return std::make_shared<uikit::TableViewCell>();
  const MDLParkingTenantTile& entry = (*arrTenant)[row];
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  cell->applyHeaderRule(indexPath.row);
  TileRowCell::show(cell->lbCompanyName, entry.tenantName);
  // The list's order decides: the first entry is the bike line, the second
  // the car line; a missing entry leaves its line empty.
  const auto& list = entry.parkingTileList;
  const MDLParkingTile none;
  const MDLParkingTile& bike = list && !list->empty() ? (*list)[0] : none;
  const MDLParkingTile& car = list && list->size() > 1 ? (*list)[1] : none;
  TileRowCell::show(cell->totalBike, bike.total);
  TileRowCell::show(cell->occupiedBike, bike.occupied);
  TileRowCell::show(cell->freeBike, bike.free);
  TileRowCell::show(cell->totalCar, car.total);
  TileRowCell::show(cell->occupiedCar, car.occupied);
  TileRowCell::show(cell->freeCar, car.free);
  return cell;
}

void FacilityParkingCell::registerNib() {
  ParkingGlobalCell::registerNib();
  ParkingTenantCell::registerNib();
  uikit::Image::registerNamed(kBikeImage, uikit::Image::filled({24, 24}, AppColor::green()));
  uikit::Image::registerNamed(kCarImage, uikit::Image::filled({24, 24}, AppColor::darkBlue()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<FacilityParkingCell>();
    auto inner = std::make_shared<uikit::TableView>(uikit::TableViewStyle::kPlain);
    inner->setAccessibilityIdentifier("tblParkingData");
    inner->registerNib(uikit::Nib::named(ParkingGlobalCell::kNibName), ParkingGlobalCell::kNibName);
    inner->registerNib(uikit::Nib::named(ParkingTenantCell::kNibName), ParkingTenantCell::kNibName);
    inner->estimatedRowHeight = 88.0;
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    auto parts = buildTile(cell, inner, contents.outlets,
                           AppFont::appScaledFont(uikit::Font::namedOrSystem("Gotham-Book", 15)));
    std::weak_ptr<FacilityParkingCell> weak = cell;
    auto bar = parts.tabBar;
    contents.outlets.push_back({"stackView", [weak, bar] {
                                  auto c = weak.lock();
                                  if (!c) return;
                                  c->stackView = bar;
                                  bar->setBackgroundColor(AppColor::green());
                                  bar->layer().cornerRadius = 10;
                                  bar->setClipsToBounds(true);
                                }});
    return contents;
  });
}
