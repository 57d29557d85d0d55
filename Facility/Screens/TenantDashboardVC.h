// The tenant administrator's home screen. The Allotted tab shows the
// building card, one card per parking tile, the identity card and, once
// the complaint count has come, the complaints card. The Manage tab pages
// through the tenant's employees with a sort sheet (name or employee id,
// either direction) and a filter sheet (tag, floor access, parking,
// visitor); each employee row opens that employee's access assignment.
//
// Every Allotted load takes a new generation and its own dispatch group,
// and every employee request a new generation: a reply of an older load or
// request changes nothing. A first page is always sent, superseding one in
// flight; a further page while one is in flight is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Facility/Models/MDLAllotedFacility.h"
#include "Facility/Models/MDLComplainCount.h"
#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/BuildingSelectionDelegate.h"
#include "Facility/Screens/UserSelectionDelegate.h"
#include "Facility/Services/VMAllottedFacility.h"
#include "Facility/Services/VMManageFacility.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/SuperClassDelegate.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/Foundation/DispatchGroup.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/StackView.h"
#include "Platform/UIKit/TableView.h"

class TenantDashboardVC : public SuperViewController,
                          public uikit::TableViewDataSource,
                          public uikit::TableViewDelegate,
                          public SuperClassDelegate,
                          public UserSelectionDelegate,
                          public BuildingSelectionDelegate {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";
  static constexpr const char* kTitle = "Dashboard";
  static constexpr double kSheetDuration = 0.2;
  static constexpr double kSheetDelay = 0.1;
  static constexpr double kUnderlineDuration = 0.2;
  static constexpr double kStyleDelay = 0.1;
  static constexpr float kUsedPriority = 999;
  static constexpr float kUnusedPriority = 250;
  // Filter option buttons are told apart by their tags.
  enum FilterTag : long { tagAssignedTag = 0, floorAccessTag = 1, parkingAccessTag = 2, visitorAccessTag = 3 };
  enum class Sheet { sort, filter };

  // A row of the Allotted table: the building list, a parking tile, the
  // identity list or the complaint count.
  using AllottedRow = std::variant<std::vector<MDLVisitorBuilding>, MDLAllottedParkingTileList,
                                   std::vector<MDLIdentity>, MDLComplainCount>;

  std::string pageNo = "1";
  bool isApiRunning = false;
  bool shouldLoadMore = true;
  // The latest Allotted load's group.
  platform::DispatchGroup dispatchGroup;
  int sortOn = 0;
  int sortDesc = 0;
  int tagAssigned = 0;
  int floorAccess = 0;
  int parkingAccess = 0;
  int visitorAccess = 0;
  const std::shared_ptr<VMAllottedFacility> vmAllottedFacility = std::make_shared<VMAllottedFacility>();
  const std::shared_ptr<VMManageFacility> vmManageFacility = std::make_shared<VMManageFacility>();
  std::vector<AllottedRow> arrData;
  std::vector<MDLEmployee> arrEmployees;

  // Outlets (styled as they connect).
  std::weak_ptr<uikit::StackView> tabBarStackView;
  std::weak_ptr<GenericButton> btnAllottedFacility, btnManageFacility;
  std::weak_ptr<uikit::TableView> tblAlloted, tblManage;
  std::weak_ptr<uikit::View> vwSortFilter;
  std::weak_ptr<GenericButton> btnSort, btnFilter;
  std::weak_ptr<uikit::View> vwSort, vwFilter, vwBlank;
  uikit::LayoutConstraintPtr cnVwSortBottomSpace, cnVwFilterBottomSpace;
  uikit::LayoutConstraintPtr cnVwSortHeight, cnVwFilterHeight;
  std::shared_ptr<uikit::Button> btnBackground;
  std::weak_ptr<GenericButton> btnAscending, btnDescending;
  uikit::LayoutConstraintPtr cnVwLineCenterXToBtnAscending, cnVwLineCenterXToBtnDesceding;
  std::weak_ptr<GenericButton> btnName, btnEmployeeID;
  std::weak_ptr<uikit::ImageView> imgVwNameCheckmark, imgVwEmpIDCheckmark;
  std::weak_ptr<uikit::Button> btnSortDone, btnFilterDone;
  std::weak_ptr<uikit::View> vwTag, vwAccess, vwParking, vwVisitor;
  std::weak_ptr<uikit::ImageView> imgVwTag, imgVwAccess, imgVwParking, imgVwVisitor;
  std::weak_ptr<uikit::Button> btnTag, btnAccess, btnParking, btnVisitor;

  void setTabBarStackView(const std::shared_ptr<uikit::StackView>& view);
  void setTblAlloted(const std::shared_ptr<uikit::TableView>& table);
  void setTblManage(const std::shared_ptr<uikit::TableView>& table);
  void setVwSortFilter(const std::shared_ptr<uikit::View>& view);
  void setBtnSort(const std::shared_ptr<GenericButton>& button);
  void setBtnFilter(const std::shared_ptr<GenericButton>& button);
  void setCnVwSortHeight(const uikit::LayoutConstraintPtr& constraint);
  void setCnVwFilterHeight(const uikit::LayoutConstraintPtr& constraint);
  void setBtnBackground(const std::shared_ptr<uikit::Button>& button);
  void setCheckmark(std::weak_ptr<uikit::ImageView> TenantDashboardVC::*outlet,
                    const std::shared_ptr<uikit::ImageView>& view);
  void setDoneButton(std::weak_ptr<uikit::Button> TenantDashboardVC::*outlet, const std::shared_ptr<uikit::Button>& button,
                     Sheet sheet);
  void setFilterBackground(std::weak_ptr<uikit::View> TenantDashboardVC::*outlet, const std::shared_ptr<uikit::View>& view);
  void setFilterIcon(std::weak_ptr<uikit::ImageView> TenantDashboardVC::*outlet,
                     const std::shared_ptr<uikit::ImageView>& view);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

  // Tab buttons; the shown tab's button does nothing.
  void btnStackViewClickedWithSender(uikit::Button& sender);
  // Starts a new Allotted load: the allotted facilities, then the count.
  void loadAllotted();
  // The employee list: a first page (always sent) or the next page.
  void loadEmployees(bool loadMore);
  // Sort field (name or employee id) and direction; they take effect at the
  // next request.
  void chooseSortField(bool name);
  void chooseSortDirection(bool ascending);
  void openSheet(Sheet sheet);
  void closeSheet(Sheet sheet);
  // Done on a sheet: it closes and the list restarts at page 1.
  void sheetDone(Sheet sheet);
  void btnFilterOptionClickedWithSender(uikit::Control& sender);
  void openComplaintList();
  void openNewComplaint();
  void openAccessAssignment(const MDLEmployee& employee);

  std::uint64_t allottedGeneration() const { return allottedGeneration_; }
  std::uint64_t employeeGeneration() const { return employeeGeneration_; }

  // Table.
  long tableViewNumberOfRowsInSection(uikit::TableView& table, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& table,
                                                                       const uikit::IndexPath& indexPath) override;
  double tableViewHeightForRowAtIndexPath(uikit::TableView& table, const uikit::IndexPath& indexPath) override;
  double tableViewEstimatedHeightForRowAtIndexPath(uikit::TableView& table, const uikit::IndexPath& indexPath) override;

  // Navigation bar, role switch and building card.
  void onRightButtonTapped() override {}
  void onNavigationButtonTapped(NavigationButtonKind kind) override;
  void onUserTypeSelected() override;
  void onBuildingSelected() override;

  // "TotalRecords" as a number: an optional sign and decimal digits that
  // fit 64 bits; none otherwise.
  static std::optional<std::int64_t> totalRecords(const std::optional<std::string>& text);

  // Declares the scene and the nibs of its rows.
  static void registerScene();

 private:
  using Weak = std::weak_ptr<TenantDashboardVC>;
  static void handleAllotted(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                             const DataResponse<MDLAllotedFacility>& response);
  static void handleComplainCount(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                                  const DataResponse<MDLComplainCount>& response);
  // An Allotted request that got no reply: its group is left and the
  // latest load's pull-to-refresh stops.
  static void allottedNotDelivered(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group);
  static void handleEmployees(const Weak& screen, std::uint64_t generation, bool loadMore,
                              const DataResponse<MDLManageFacility>& response);
  static void employeesNotDelivered(const Weak& screen, std::uint64_t generation);
  // The latest employee request has ended: both indicators stop.
  void employeeRequestEnded();
  std::shared_ptr<uikit::TableViewCell> allottedCell(uikit::TableView& table, const uikit::IndexPath& indexPath);
  std::shared_ptr<uikit::TableViewCell> employeeCell(uikit::TableView& table, const uikit::IndexPath& indexPath);
  void animateLayout(double duration, double delay, std::function<void()> completion);

  std::uint64_t allottedGeneration_ = 0;
  std::uint64_t employeeGeneration_ = 0;
};
