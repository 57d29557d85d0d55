// The complaints the signed-in tenant raised, fetched with the filter shown
// by the indicator each time the screen comes into view, with a filter
// (months, status, place) and "+" to raise a new one. Every list request
// carries the next sequence number; a reply to an older one is ignored, so
// the rows always match the indicator.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Facility/Models/MDLComplainList.h"
#include "Facility/Models/MDLFilterList.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/ApplyFilterDelegate.h"
#include "Facility/Screens/LandingFrom.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/ViewController.h"

class RaisedComplaintListVC : public uikit::ViewController,
                              public uikit::TableViewDataSource,
                              public uikit::TableViewDelegate,
                              public ApplyFilterDelegate {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";
  static constexpr double kEstimatedRowHeight = 100;

  LandingFrom landingFrom = LandingFrom::none;
  std::vector<MDLComplain> arrComplains;
  std::optional<FilterData> filteredData;

  // Outlets.
  std::weak_ptr<uikit::TableView> tblRaisedComplaintList;
  std::weak_ptr<uikit::View> filterContainerView;
  std::weak_ptr<uikit::Button> btnPlus;
  std::weak_ptr<uikit::Label> lblFilterTitle;
  std::weak_ptr<uikit::ImageView> imgFilterIcon;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidLayoutSubviews() override;

  void backButtonTapped();
  void goBack();
  void actionAdd();
  void actionGoToFilterList();
  void fetchComplaintList(const std::optional<FilterData>& filter, std::function<void()> completion);
  void applyFilter(const std::optional<FilterData>& filteredData, bool isClearFilterButtonTapped) override;

  // The list request's body: ticked months, statuses and places of the
  // first three groups, each joined by ",".
  static platform::Value::Dictionary complainListBody(const std::optional<FilterData>& filter);

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                      const uikit::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;

  static void registerScene();

 private:
  void handleReply(std::uint64_t sequence, const DataResponse<MDLComplainList>& response);
  void reloadList();

  std::uint64_t lastRequest_ = 0;
};
