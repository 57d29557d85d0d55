// The signed-in facility administrator with the facility dashboard as root,
// scripted location, dashboard, task-count and lookup replies, and readers
// of what the dashboard's table shows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/FacilityComplainsCell.h"
#include "Facility/Screens/FacilityDashoboardVC.h"
#include "Facility/Screens/FacilityParkingCell.h"
#include "Facility/Screens/FacilityVisitorCell.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/VisionKit/DataScannerViewController.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

class FacilityDashboardFixture : public ScreensFixture {
 protected:
  using Reply = testsupport::FacilityTestServer::Reply;
  static constexpr const char* kLocationsPath = "/api/FacilityAdmin/BaseFacility";
  static constexpr const char* kDashboardPath = "/api/FacilityAdmin/Dashboard";
  static constexpr const char* kTaskCountPath = "/api/Complain/MyTaskCount";
  static constexpr const char* kCountPath = "/api/Notification/BroadCastNotificationCount";
  static constexpr const char* kLookupPath = "/api/FindVehicle/FindVehicleNumber";

  static constexpr const char* kOneLocation = R"({"IsSuccess":true,"LocationList":[{"Value":"A","Text":"Tower A"}]})";
  static constexpr const char* kTwoLocations =
      R"({"IsSuccess":true,"LocationList":[{"Value":"A","Text":"Tower A"},{"Value":"B","Text":"Tower B"}]})";
  // One parking tile (two vehicle types, one tenant) and one visitor tile.
  static constexpr const char* kTilesA =
      R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"Parking A","GlobalTile":[)"
      R"({"VehicalType":"0","Total":"10","Occupied":"4","Free":"6"},{"VehicalType":"1","Total":"20","Occupied":"5","Free":"15"}],)"
      R"("TenantTile":[{"TenantName":"Acme","ParkingTileList":[{"Total":"2","Occupied":"1","Free":"1"},{"Total":"3","Occupied":"0","Free":"3"}]}]}],)"
      R"("VisitorTileList":[{"TileName":"Visitors A","GlobalTile":{"Total":"7","In":"3","Out":"4"},)"
      R"("TenantTile":[{"TenantName":"Acme","Total":"2","In":"1","Out":"1"}]}]})";
  static constexpr const char* kTilesB =
      R"({"IsSuccess":true,"ParkingTileList":[{"TileName":"Parking B"}],"VisitorTileList":[{"TileName":"Visitors B"}]})";
  static constexpr const char* kTaskCounts = R"({"IsSuccess":true,"TodayTotal":2,"AllTotal":5,"OverdueTotal":1})";

  void SetUp() override {
    ScreensFixture::SetUp();
    visionkit::DataScannerViewController::resetDevice();
    server_.setJsonReply(kLocationsPath, kOneLocation);
    server_.setJsonReply(kDashboardPath, kTilesA);
    server_.setJsonReply(kTaskCountPath, kTaskCounts);
    server_.setJsonReply(kCountPath, R"({"IsSuccess":true,"Total":"4"})");
  }

  void TearDown() override {
    visionkit::DataScannerViewController::resetDevice();
    ScreensFixture::TearDown();
  }

  // Signs in as facility administrator: the root becomes the dashboard,
  // which loads once; the traffic of that load is cleared.
  void openDashboard() {
    signInAndConnect({"1", std::nullopt}, "F");
    ASSERT_TRUE(dashboard());
    pump();
    server_.clearRequests();
    loaderCalls_.clear();
  }

  std::shared_ptr<uikit::NavigationController> navigation() {
    return std::dynamic_pointer_cast<uikit::NavigationController>(delegate()->window()->rootViewController());
  }
  std::shared_ptr<FacilityDashoboardVC> dashboard() {
    auto nav = navigation();
    if (!nav || nav->viewControllers().empty()) return nullptr;
    return std::dynamic_pointer_cast<FacilityDashoboardVC>(nav->viewControllers().front());
  }
  std::shared_ptr<uikit::ViewController> topOfStack() {
    auto nav = navigation();
    return nav && !nav->viewControllers().empty() ? nav->viewControllers().back() : nullptr;
  }

  // The rows the table shows: "P:<title>", "V:<title>", "C:<today>/<all>/<overdue>".
  std::vector<std::string> shownRows() {
    std::vector<std::string> rows;
    auto table = dashboard()->tblFacility();
    for (const auto& path : table->indexPathsForVisibleRows()) {
      auto cell = table->cellForRowAtIndexPath(path);
      if (auto p = std::dynamic_pointer_cast<FacilityParkingCell>(cell)) {
        rows.push_back("P:" + p->lbParkingTitle.lock()->text().value_or(""));
      } else if (auto v = std::dynamic_pointer_cast<FacilityVisitorCell>(cell)) {
        rows.push_back("V:" + v->lbParkingTitle.lock()->text().value_or(""));
      } else if (auto c = std::dynamic_pointer_cast<FacilityComplainsCell>(cell)) {
        rows.push_back("C:" + c->lblTodayValue.lock()->text().value_or("") + "/" +
                       c->lblAllTaskValue.lock()->text().value_or("") + "/" +
                       c->lblOverdueValue.lock()->text().value_or(""));
      } else {
        rows.push_back("?");
      }
    }
    return rows;
  }

  std::vector<std::string> requestedLocations() {
    std::vector<std::string> ids;
    for (const auto& r : server_.requests()) {
      if (r.path != kDashboardPath) continue;
      for (const auto& [k, v] : r.query()) {
        if (k == "LocationId") ids.push_back(v);
      }
    }
    return ids;
  }
  std::size_t requestsTo(const std::string& path) {
    std::size_t n = 0;
    for (const auto& r : server_.requests()) n += r.path == path;
    return n;
  }

  // The last toast's text, and a mark to tell a new toast from an old one.
  static std::string lastToast() { return AppToastAlert::messageLabel()->text().value_or(""); }
  static void markToast() { AppToastAlert::messageLabel()->setText("-"); }

  // Appears again (as after a pop) and lets the whole load finish.
  void reappear() {
    dashboard()->viewWillAppear(false);
    pump();
  }
  void pull() {
    dashboard()->tblFacility()->triggerPullToRefresh();
  }
  bool pulling() {
    return dashboard()->tblFacility()->pullToRefreshView()->state() == uikit::PullToRefreshState::kLoading;
  }
  // Waits for n requests to the path (held replies).
  void waitForRequestsTo(const std::string& path, std::size_t n) {
    ASSERT_TRUE(runUntil([&] { return requestsTo(path) >= n; }));
  }
};

}  // namespace screens_test
