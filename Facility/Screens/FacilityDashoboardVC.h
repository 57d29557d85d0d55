// The facility administrator's home screen: for the chosen location the
// parking and visitor tiles and, after both replies, the task tile; the
// location picker; the live number-plate scanner and the owner lookup with
// its popups; the navigation bar's scanner, profile and notification buttons.
//
// Every load (appearance, location pick, pull) takes a new generation and
// its own dispatch group: replies of an older load change nothing, so
// overlapping loads cannot mix one location's tiles with another's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Facility/Models/MDLBaseFacility.h"
#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/ComplainTaskCategory.h"
#include "Facility/Screens/UserSelectionDelegate.h"
#include "Facility/Services/VMBaseFacility.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Facility/Widgets/SuperClassDelegate.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/Foundation/DispatchGroup.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/VisionKit/DataScannerViewController.h"

class FacilityTileCell;

class FacilityDashoboardVC : public SuperViewController,
                             public uikit::TableViewDataSource,
                             public uikit::TableViewDelegate,
                             public visionkit::DataScannerViewControllerDelegate,
                             public SuperClassDelegate,
                             public UserSelectionDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr const char* kTitle = "Manage Facilities";
  static constexpr double kTopSpace = 15.0;
  static constexpr double kReopenDelay = 0.3;
  // The scan-again choice that opens the photo scanner instead.
  static constexpr int kScanAgainLimit = 3;

  using DashboardRow = std::variant<MDLParkingTileList, MDLVisitorTileList, MDLMyTaskCount>;

  std::shared_ptr<VMBaseFacility> vmBaseFacility = std::make_shared<VMBaseFacility>();
  std::shared_ptr<VMFacilityDashboard> vmFacilityDashboard = std::make_shared<VMFacilityDashboard>();
  int failedCount = 0;
  std::vector<MDLLocation> arrLocations;
  // The latest load's group.
  platform::DispatchGroup dispatchGroup;
  std::vector<DashboardRow> arrDashboardData;
  std::optional<std::string> selectedLocationId;

  std::shared_ptr<uikit::TextField> txtLocation() const { return txtLocation_.lock(); }
  void setTxtLocation(const std::shared_ptr<uikit::TextField>& field);
  std::shared_ptr<uikit::TableView> tblFacility() const { return tblFacility_.lock(); }
  void setTblFacility(const std::shared_ptr<uikit::TableView>& table);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

  void loadDashboard();
  void configureLocationPicker();
  void presentVehicleScanner();
  void scanAgain(const std::string& number);
  void addManually(const std::string& number);
  void openNumberScanner(const std::string& number);
  void openTaskList(ComplainTaskCategory category, const MDLMyTaskCount& counts);
  void chooseTileTab(const std::shared_ptr<FacilityTileCell>& cell, long index);
  void showNotificationSentPopup(const std::string& message);
  std::uint64_t loadGeneration() const { return generation_; }

  // Table.
  long tableViewNumberOfRowsInSection(uikit::TableView& table, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& table,
                                                                       const uikit::IndexPath& indexPath) override;
  double tableViewHeightForRowAtIndexPath(uikit::TableView& table, const uikit::IndexPath& indexPath) override;

  // Live scanner.
  void dataScannerDidAdd(visionkit::DataScannerViewController& scanner,
                         const std::vector<visionkit::RecognizedItem>& added,
                         const std::vector<visionkit::RecognizedItem>& allItems) override;

  // Navigation bar and role switch.
  void onRightButtonTapped() override {}
  void onNavigationButtonTapped(NavigationButtonKind kind) override;
  void onUserTypeSelected() override;

  // "iOS 16 or later": the major number of the device's system version.
  static bool hasLiveScanner();

  // Declares the scene, the tiles' nibs and the stand-in scenes it opens.
  static void registerScene();

 private:
  using Weak = std::weak_ptr<FacilityDashoboardVC>;
  static void handleLocationList(const Weak& screen, const DataResponse<MDLBaseFacility>& response);
  static void handleDashboard(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                              const DataResponse<MDLFacilityDashboard>& response);
  static void handleTaskCount(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                              const DataResponse<MDLMyTaskCount>& response);
  static void handleVehicleLookup(const Weak& screen, const std::string& number,
                                  const DataResponse<VehicleDetailsModel>& response);
  // A load's request was not delivered: its group is left, and the latest
  // load's pull-to-refresh stops.
  static void loadNotDelivered(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group);
  void showLocationField(bool shown);
  void stopPullToRefresh();
  // Presents once any running presentation or dismissal (the scanner's)
  // has ended: presenting during it would be refused and lost.
  void presentPopup(const uikit::ViewControllerPtr& popup);

  std::uint64_t generation_ = 0;
  std::weak_ptr<uikit::TextField> txtLocation_;
  std::weak_ptr<uikit::TableView> tblFacility_;
};
