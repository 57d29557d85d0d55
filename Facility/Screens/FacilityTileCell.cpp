#include "Facility/Screens/FacilityTileCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Nib.h"

void FacilityTileCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  auto global = btnGlobal.lock();
  auto tenant = btnTenant.lock();
  if (global) global->setSelected(false);
  if (tenant) tenant->setSelected(false);
  if (auto s = segment.lock()) s->setSelectedSegmentIndex(kGlobalTab);
  selectTab(global);
  refreshInnerTable();
}

void FacilityTileCell::selectTab(const std::shared_ptr<uikit::Button>& button) {
  auto global = btnGlobal.lock();
  auto tenant = btnTenant.lock();
  if (!button) return;
  if (global && global->isSelected() && button == global) return;
  if (tenant && tenant->isSelected() && button == tenant) return;
  button->setSelected(!button->isSelected());
  if (auto s = segment.lock()) s->sendActionsForControlEvents(uikit::kControlEventValueChanged);
  if (button->isSelected() && button == global) {
    if (tenant) tenant->setSelected(false);
    global->setBackgroundColor(AppColor::green());
    if (tenant) tenant->setBackgroundColor(AppColor::white());
  } else {
    if (global) {
      global->setSelected(false);
      global->setBackgroundColor(AppColor::white());
    }
    if (tenant) tenant->setBackgroundColor(AppColor::green());
  }
}

long FacilityTileCell::selectedTab() const {
  auto s = segment.lock();
  return s && s->selectedSegmentIndex() == kTenantTab ? kTenantTab : kGlobalTab;
}

void FacilityTileCell::refreshInnerTable() {
  const double height = heightForTab(selectedTab());
  if (cnInnerTableHeight) cnInnerTableHeight->setConstant(height);
  if (auto table = innerTable.lock()) {
    auto frame = table->frame();
    frame.size.height = height;
    table->setFrame(frame);
    table->reloadData();
  }
}

long FacilityTileCell::tableViewNumberOfRowsInSection(uikit::TableView&, long) { return rowCount(selectedTab()); }

double FacilityTileCell::tableViewHeightForRowAtIndexPath(uikit::TableView&, const uikit::IndexPath& indexPath) {
  return rowHeight(selectedTab()) + (indexPath.row == 0 ? kHeaderHeight : 0);
}

void FacilityTileCell::connectSegment(const std::shared_ptr<uikit::SegmentedControl>& control,
                                      const uikit::Font& titleFont) {
  segment = control;
  control->selectedSegmentTintColor = AppColor::green();
  uikit::TextAttributes normal;
  normal.font = titleFont;
  normal.foregroundColor = AppColor::green();
  control->setTitleTextAttributes(normal, uikit::kControlStateNormal);
  uikit::TextAttributes selected;
  selected.foregroundColor = AppColor::white();
  control->setTitleTextAttributes(selected, uikit::kControlStateSelected);
  ViewStyle::setBorderWidth(*control, 1);
  ViewStyle::setBorderColor(*control, AppColor::green());
  control->setClipsToBounds(true);
}

void FacilityTileCell::connectTabBar(const std::shared_ptr<uikit::StackView>& bar) {
  tabBarStackView = bar;
  bar->layer().cornerRadius = 5;
  ViewStyle::setBorderWidth(*bar, 1);
  ViewStyle::setBorderColor(*bar, AppColor::green());
  bar->setClipsToBounds(true);
}

void FacilityTileCell::connectCard(const std::shared_ptr<uikit::View>& card) {
  vwInner = card;
  ViewStyle::setShadow(*card, AppColor::black(), 1, 2, 0.4F, 3);
}

FacilityTileCell::Parts FacilityTileCell::buildTile(const std::shared_ptr<FacilityTileCell>& cell,
                                                    const std::shared_ptr<uikit::TableView>& inner,
                                                    std::vector<uikit::NibOutlet>& outlets,
                                                    const uikit::Font& segmentFont) {
  constexpr double kWidth = 350;
  cell->setFrame(uikit::Rect(0, 0, kWidth + 20, kChromeHeight + kHeaderHeight));
  cell->contentView()->setFrame(cell->bounds());
  Parts parts;
  parts.card = uikit::View::make(uikit::Rect(10, 5, kWidth, kChromeHeight + kHeaderHeight - 10));
  parts.title = uikit::View::make<uikit::Label>(uikit::Rect(10, 5, kWidth - 20, 24));
  parts.title->setAccessibilityIdentifier("lbParkingTitle");
  parts.tabBar = std::make_shared<uikit::StackView>();
  parts.tabBar->setFrame(uikit::Rect(10, 35, kWidth - 20, 36));
  parts.tabBar->axis = uikit::LayoutAxis::kHorizontal;
  parts.segment = std::make_shared<uikit::SegmentedControl>(std::vector<std::string>{"Global", "Tenant"});
  parts.segment->setFrame(uikit::Rect(10, 35, kWidth - 20, 36));
  parts.segment->setHidden(true);  // the two buttons stand over it
  parts.global = std::make_shared<GenericButton>(uikit::Rect(0, 0, (kWidth - 20) / 2, 36));
  parts.global->setTitle("Global");
  parts.global->setAccessibilityIdentifier("btnGlobal");
  parts.tenant = std::make_shared<GenericButton>(uikit::Rect((kWidth - 20) / 2, 0, (kWidth - 20) / 2, 36));
  parts.tenant->setTitle("Tenant");
  parts.tenant->setAccessibilityIdentifier("btnTenant");
  parts.tabBar->addArrangedSubview(parts.global);
  parts.tabBar->addArrangedSubview(parts.tenant);
  inner->setFrame(uikit::Rect(10, 80, kWidth - 20, kHeaderHeight));
  inner->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  cell->innerTable = inner;
  cell->cnInnerTableHeight = inner->heightAnchor().constraintEqualToConstant(kHeaderHeight);
  cell->cnInnerTableHeight->setActive(true);
  inner->setDataSource(std::static_pointer_cast<uikit::TableViewDataSource>(cell));
  inner->setDelegate(std::static_pointer_cast<uikit::TableViewDelegate>(cell));
  for (const auto& v : std::vector<std::shared_ptr<uikit::View>>{parts.title, parts.segment, parts.tabBar, inner}) {
    parts.card->addSubview(v);
  }
  cell->contentView()->addSubview(parts.card);

  std::weak_ptr<FacilityTileCell> weak = cell;
  auto p = parts;
  outlets.push_back({"vwInner", [weak, p] { if (auto c = weak.lock()) c->connectCard(p.card); }});
  outlets.push_back({"tabBarStackView", [weak, p] { if (auto c = weak.lock()) c->connectTabBar(p.tabBar); }});
  outlets.push_back({"lbParkingTitle", [weak, p] { if (auto c = weak.lock()) c->lbParkingTitle = p.title; }});
  outlets.push_back({"segment", [weak, p, segmentFont] {
                       if (auto c = weak.lock()) c->connectSegment(p.segment, segmentFont);
                     }});
  outlets.push_back({"btnGlobal", [weak, p] { if (auto c = weak.lock()) c->btnGlobal = p.global; }});
  outlets.push_back({"btnTenant", [weak, p] { if (auto c = weak.lock()) c->btnTenant = p.tenant; }});
  return parts;
}
