#include "Facility/Screens/FacilityVisitorCell.h"

#include "Facility/Screens/VisitorGlobalCell.h"
#include "Facility/Screens/VisitorTenantCell.h"
#include "Facility/Widgets/AppFont.h"
#include "Platform/UIKit/Nib.h"

namespace {

template <class T>
long tileCount(const std::optional<std::vector<T>>& list) {
  return list ? static_cast<long>(list->size()) : 0;
}

}  // namespace

double FacilityVisitorCell::innerHeight(long tab, const std::optional<std::vector<MDLVisitorGlobalTile>>& global,
                                        const std::optional<std::vector<MDLVisitorTenantTile>>& tenants) {
  const long n = tab == kGlobalTab ? tileCount(global) : tileCount(tenants);
  return kHeaderHeight + kRowStep * static_cast<double>(n);
}

long FacilityVisitorCell::rowCount(long tab) const { return tab == kGlobalTab ? tileCount(arrGlobal) : tileCount(arrTenant); }

std::shared_ptr<uikit::TableViewCell> FacilityVisitorCell::tableViewCellForRowAtIndexPath(
    uikit::TableView& table, const uikit::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (selectedTab() == kGlobalTab) {
    auto cell = std::dynamic_pointer_cast<VisitorGlobalCell>(
        table.dequeueReusableCellWithIdentifier(VisitorGlobalCell::kNibName, indexPath));
    if (!cell || !arrGlobal || row >= arrGlobal->size()) return std::make_shared<uikit::TableViewCell>();
    const MDLVisitorGlobalTile& entry = (*arrGlobal)[row];
    cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
    cell->applyHeaderRule(indexPath.row);
    TileRowCell::show(cell->lbVisitorIn, entry.total);
    TileRowCell::show(cell->lbVisitorInPremise, entry.In);
    TileRowCell::show(cell->lbVisitorOut, entry.out);
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<VisitorTenantCell>(
      table.dequeueReusableCellWithIdentifier(VisitorTenantCell::kNibName, indexPath));
  if (!cell || !arrTenant || row >= arrTenant->size()) return std::make_shared<uikit::TableViewCell>();
  const MDLVisitorTenantTile& entry = (*arrTenant)[row];
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  cell->applyHeaderRule(indexPath.row);
  TileRowCell::show(cell->lbCompanyName, entry.tenantName);
  TileRowCell::show(cell->lbVisitorIn, entry.total);
  TileRowCell::show(cell->lbVisitorInPremise, entry.In);
  TileRowCell::show(cell->lbVisitorOut, entry.out);
  return cell;
}

void FacilityVisitorCell::registerNib() {
  VisitorGlobalCell::registerNib();
  VisitorTenantCell::registerNib();
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<FacilityVisitorCell>();
    auto inner = std::make_shared<uikit::TableView>(uikit::TableViewStyle::kPlain);
    inner->setAccessibilityIdentifier("tblVisitorData");
    inner->registerNib(uikit::Nib::named(VisitorGlobalCell::kNibName), VisitorGlobalCell::kNibName);
    inner->registerNib(uikit::Nib::named(VisitorTenantCell::kNibName), VisitorTenantCell::kNibName);
    inner->estimatedRowHeight = 67.0;
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    buildTile(cell, inner, contents.outlets, AppFont::appScaledFont(uikit::Font::systemFont(12)));
    return contents;
  });
}
