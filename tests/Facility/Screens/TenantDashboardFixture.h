// The signed-in tenant administrator with the tenant dashboard as root,
// scripted allotted, complaint-count and employee-page replies, and readers
// of what the two tables show and what the employee requests carried.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/FacilityManageComplainCell.h"
#include "Facility/Screens/FacilityRaiseComplainCell.h"
#include "Facility/Screens/TenantBuildingCell.h"
#include "Facility/Screens/TenantDashboardVC.h"
#include "Facility/Screens/TenantParkingCell.h"
#include "Facility/Screens/UserCell.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

class TenantDashboardFixture : public ScreensFixture {
 protected:
  using Reply = testsupport::FacilityTestServer::Reply;
  using Rows = std::vector<std::string>;
  static constexpr const char* kAllottedPath = "/api/Tenant/AllotedFacility";
  static constexpr const char* kCountPath = "/api/Complain/ComplainCount";
  static constexpr const char* kEmployeesPath = "/api/Tenant/ManageFacility";

  // Two buildings (the second without floors), two parking tiles and the
  // identity counters.
  static constexpr const char* kAllotted =
      R"({"IsSuccess":true,"BuildingList":[{"Text":"North","Value":"1","FloorList":[{"Value":"10","Text":"G"},)"
      R"({"Value":"11","Text":"1"}]},{"Text":"South","Value":"2"}],)"
      R"("ParkingTileList":[{"TileName":"Car park","OccupancyList":[{"Total":"10","Occupied":"4","Free":"6"}]},)"
      R"({"TileName":"Bike park"}],)"
      R"("IdentityList":[{"IdentityType":"P","Total":"5","Occupied":"2","Free":"3"}]})";
  static constexpr const char* kOpenComplaints = R"({"IsSuccess":true,"ComplainCount":3})";

  void SetUp() override {
    ScreensFixture::SetUp();
    server_.setJsonReply(kAllottedPath, kAllotted);
    server_.setJsonReply(kCountPath, kOpenComplaints);
    server_.setJsonReply(kEmployeesPath, page(0, 2, "2"));
  }

  // A page of employees "E<first>" … of the given size, with TotalRecords
  // (none: the key is left out).
  static std::string page(int first, int size, std::optional<std::string> total) {
    std::string list;
    for (int i = first; i < first + size; ++i) {
      if (!list.empty()) list += ",";
      list += R"({"EmployeeId":")" + std::to_string(100 + i) + R"(","EmployeeName":"E)" + std::to_string(i) +
              R"(","InvitationStatus":"1"})";
    }
    std::string body = R"({"IsSuccess":true,"EmployeeList":[)" + list + "]";
    if (total) body += R"(,"TotalRecords":")" + *total + "\"";
    return body + "}";
  }

  // Signs in as tenant administrator: the root becomes the dashboard,
  // which loads its Allotted tab once; that traffic is cleared.
  void openDashboard() {
    signInAndConnect({std::nullopt, "1"}, "T");
    ASSERT_TRUE(dashboard());
    pump();
    runFor(0.5);
    server_.clearRequests();
    loaderCalls_.clear();
  }

  std::shared_ptr<uikit::NavigationController> navigation() {
    return std::dynamic_pointer_cast<uikit::NavigationController>(delegate()->window()->rootViewController());
  }
  std::shared_ptr<TenantDashboardVC> dashboard() {
    auto nav = navigation();
    if (!nav || nav->viewControllers().empty()) return nullptr;
    return std::dynamic_pointer_cast<TenantDashboardVC>(nav->viewControllers().front());
  }
  std::shared_ptr<uikit::ViewController> topOfStack() {
    auto nav = navigation();
    return nav && !nav->viewControllers().empty() ? nav->viewControllers().back() : nullptr;
  }

  // The Allotted rows shown: "B:<buildings>", "P:<title>", "I:<title>",
  // "Raise", or the open count's text.
  Rows allottedRows() {
    Rows rows;
    auto table = dashboard()->tblAlloted.lock();
    for (const auto& path : table->indexPathsForVisibleRows()) {
      auto cell = table->cellForRowAtIndexPath(path);
      if (auto b = std::dynamic_pointer_cast<TenantBuildingCell>(cell)) {
        rows.push_back("B:" + std::to_string(b->arrBuilding.size()));
      } else if (auto p = std::dynamic_pointer_cast<TenantParkingCell>(cell)) {
        const std::string title = p->lbTitle.lock()->text().value_or("");
        rows.push_back((title == TenantParkingCell::kIdentityTitle ? "I:" : "P:") + title);
      } else if (std::dynamic_pointer_cast<FacilityRaiseComplainCell>(cell)) {
        rows.push_back("Raise");
      } else if (auto m = std::dynamic_pointer_cast<FacilityManageComplainCell>(cell)) {
        rows.push_back(m->lblOpenCount.lock()->text().value_or(""));
      } else {
        rows.push_back("?");
      }
    }
    return rows;
  }

  // The employee names the Manage table shows.
  Rows employeeRows() {
    Rows rows;
    auto table = dashboard()->tblManage.lock();
    const long n = table->numberOfRowsInSection(0);
    for (long i = 0; i < n; ++i) {
      table->scrollToRowAtIndexPath({0, i}, uikit::TableViewScrollPosition::kNone, false);
      auto cell = std::dynamic_pointer_cast<UserCell>(table->cellForRowAtIndexPath({0, i}));
      rows.push_back(cell ? cell->lbName.lock()->text().value_or("") : "?");
    }
    return rows;
  }

  std::size_t requestsTo(const std::string& path) {
    std::size_t n = 0;
    for (const auto& r : server_.requests()) n += r.path == path;
    return n;
  }
  // The form of each employee request, in order.
  std::vector<std::map<std::string, std::string>> employeeRequests() {
    std::vector<std::map<std::string, std::string>> forms;
    for (const auto& r : server_.requests()) {
      if (r.path != kEmployeesPath) continue;
      std::map<std::string, std::string> form;
      for (const auto& [k, v] : r.form()) form[k] = v;
      forms.push_back(form);
    }
    return forms;
  }
  Rows requestedPages() {
    Rows pages;
    for (const auto& form : employeeRequests()) {
      auto it = form.find("PageNo");
      pages.push_back(it == form.end() ? "?" : it->second);
    }
    return pages;
  }
  void waitForRequestsTo(const std::string& path, std::size_t n) {
    ASSERT_TRUE(runUntil([&] { return requestsTo(path) >= n; }));
  }

  void tapTab(bool allotted) {
    auto button = allotted ? dashboard()->btnAllottedFacility.lock() : dashboard()->btnManageFacility.lock();
    ASSERT_TRUE(button && button->tap());
    pump();
  }
  void showManage() {
    tapTab(false);
    runFor(0.3);
  }
  void more() {
    dashboard()->tblManage.lock()->triggerInfiniteScrolling();
    pump();
  }
  void reappear() {
    dashboard()->viewWillAppear(false);
    pump();
  }
  bool pulling(const std::weak_ptr<uikit::TableView>& table) {
    return table.lock()->pullToRefreshView()->state() == uikit::PullToRefreshState::kLoading;
  }
  bool loadingMore() {
    return dashboard()->tblManage.lock()->infiniteScrollingView()->state() == uikit::InfiniteScrollingState::kLoading;
  }
  static std::string lastToast() { return AppToastAlert::messageLabel()->text().value_or(""); }
  static void markToast() { AppToastAlert::messageLabel()->setText("-"); }
  void dismissAlert() {
    if (auto alert = alertOnScreen()) alert->dismiss(false);
    pump();
  }
};

}  // namespace screens_test
