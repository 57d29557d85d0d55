// A facility dashboard tile with a Global / Tenant switch over an inner
// table. The chosen tab lives in the segment and stays with the cell when
// it is reused for another record. Parking and visitor tiles differ in
// their rows and row heights.
#pragma once

#include <memory>

#include "Facility/Widgets/GenericButton.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/SegmentedControl.h"
#include "Platform/UIKit/StackView.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TableViewCell.h"

class FacilityTileCell : public uikit::TableViewCell,
                         public uikit::TableViewDataSource,
                         public uikit::TableViewDelegate {
 public:
  static constexpr long kGlobalTab = 0;
  static constexpr long kTenantTab = 1;
  static constexpr double kHeaderHeight = 30.0;
  // Title and tab bar above the inner table, and the margin below it.
  static constexpr double kChromeHeight = 100.0;

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<uikit::StackView> tabBarStackView;
  std::weak_ptr<uikit::Label> lbParkingTitle;
  std::weak_ptr<uikit::SegmentedControl> segment;
  std::weak_ptr<GenericButton> btnGlobal, btnTenant;
  std::weak_ptr<uikit::TableView> innerTable;
  uikit::LayoutConstraintPtr cnInnerTableHeight;

  void awakeFromNib() override;

  // The tab of the tapped button becomes the chosen one; the chosen tab's
  // button does nothing.
  void selectTab(const std::shared_ptr<uikit::Button>& button);
  // Sets the inner table's height for the chosen tab and reloads it.
  void refreshInnerTable();
  long selectedTab() const;
  double innerTableHeight() const { return cnInnerTableHeight ? cnInnerTableHeight->constant() : 0; }

  long tableViewNumberOfRowsInSection(uikit::TableView& table, long section) override;
  double tableViewHeightForRowAtIndexPath(uikit::TableView& table, const uikit::IndexPath& indexPath) override;

 protected:
  virtual long rowCount(long tab) const = 0;
  // The inner table's height for a tab.
  virtual double heightForTab(long tab) const = 0;
  virtual double rowHeight(long tab) const = 0;
  // Styles applied as the outlets connect.
  void connectSegment(const std::shared_ptr<uikit::SegmentedControl>& control, const uikit::Font& titleFont);
  void connectTabBar(const std::shared_ptr<uikit::StackView>& bar);
  void connectCard(const std::shared_ptr<uikit::View>& card);

  // The nib's views around the inner table; wires the shared outlets.
  struct Parts {
    std::shared_ptr<uikit::View> card;
    std::shared_ptr<uikit::Label> title;
    std::shared_ptr<uikit::StackView> tabBar;
    std::shared_ptr<uikit::SegmentedControl> segment;
    std::shared_ptr<GenericButton> global, tenant;
  };
  static Parts buildTile(const std::shared_ptr<FacilityTileCell>& cell, const std::shared_ptr<uikit::TableView>& inner,
                         std::vector<uikit::NibOutlet>& outlets, const uikit::Font& segmentFont);
};
