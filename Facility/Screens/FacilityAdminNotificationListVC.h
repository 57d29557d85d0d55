// The broadcast notifications the server holds for the signed-in user, one
// row each with title, message and sending date. Loaded once with the view
// and again on every pull-to-refresh; there is no read state here.
#pragma once

#include <memory>
#include <vector>

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/ViewController.h"

class FacilityAdminNotificationListVC : public uikit::ViewController,
                                        public uikit::TableViewDataSource,
                                        public uikit::TableViewDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr const char* kEmptyListMessage = "No notification found.";
  static constexpr double kEstimatedRowHeight = 44.0;

  // Outlet.
  std::shared_ptr<uikit::TableView> tblNotifList() const { return tblNotifList_.lock(); }
  void setTblNotifList(const std::shared_ptr<uikit::TableView>& table) { tblNotifList_ = table; }

  std::shared_ptr<VMFacilityDashboard> vmFacilityDashboard = std::make_shared<VMFacilityDashboard>();
  std::vector<BroadCastNotificationListModel> arrNotifications;

  void viewDidLoad() override;
  // Reloads the table in a later turn of the main queue.
  void reloadNotificationList();

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                      const uikit::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;

  // Declares this screen's scene, with its prototype cell, in "FacilityAdmin".
  static void registerScene();

 private:
  // The pull's request also hears a refused or failed transfer, so the
  // refresh never spins for good.
  void requestNotifications(bool fromPull);
  static void handleBroadCastNotifications(const std::weak_ptr<FacilityAdminNotificationListVC>& screen,
                                           const DataResponse<BroadCastNotificationModel>& response);
  void stopRefreshAnimation();

  std::weak_ptr<uikit::TableView> tblNotifList_;
};
