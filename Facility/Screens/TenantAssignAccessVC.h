// "Assign Access": a tenant administrator gives an employee buildings,
// floors, default lift floors and parking; the second half of a visitor
// invitation picks the visitor's building, default floors and parking and
// sends the invitation. isFromUserDashboard chooses the road.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Facility/Models/MDLAssignAccess.h"
#include "Facility/Models/MDLBaseAssignAccess.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/TenantAsssignAccessCell.h"
#include "Facility/Services/VMAssignAccess.h"
#include "Facility/Services/VMBaseAssignAccess.h"
#include "Facility/Services/VMBaseVisitor.h"
#include "Facility/Services/VMInviteVisitor.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/TableView.h"

class TenantAssignAccessVC : public SuperViewController,
                             public uikit::TableViewDataSource,
                             public uikit::TableViewDelegate {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";
  static constexpr const char* kCellId = "TenantAsssignAccessCell";
  static constexpr double kEstimatedRowHeight = 160.0;
  static constexpr double kSuccessDelay = 0.1;
  static constexpr double kPopupDuration = 2.0;
  static constexpr const char* kAssignedText = "  Access Assigned Successfully  ";
  static constexpr const char* kInvitedText = "  Invited Successfully  ";

  using Building = std::shared_ptr<MDLBaseAssignAccessBuilding>;
  using TwoWheelers = std::vector<std::shared_ptr<MDLTwoWheeler>>;
  using FourWheelers = std::vector<std::shared_ptr<MDLFourWheeler>>;
  using Buildings = std::vector<Building>;
  // One table row; monostate stands for an element of no known kind.
  using Row = std::variant<std::monostate, Building, TwoWheelers, FourWheelers, std::vector<DefaultUpList>,
                           std::vector<DefaultDownList>>;

  bool isFromUserDashboard = false;
  std::optional<std::string> userId;
  std::optional<std::string> userName;
  std::optional<std::string> firstName, lastName, category, mobileNumber, email, purposeVisit, companyName,
      expectedDate, expectedTime, meetingHours;
  Building selectedBuildingObject;
  std::optional<Buildings> arrBuildingList;
  std::optional<DefaultUpList> objSelectedDefaultUp;
  std::string selectedDefaultUpStr;
  std::optional<DefaultDownList> objSelectedDefaultDown;
  std::string selectedDefaultDownStr;
  double tblMaxHeight = 0.0;
  std::vector<Row> arrData;
  std::vector<Row> tempArrData;
  bool isTwoWheelerSelected = false;
  bool isFourWheelerSelected = false;
  std::shared_ptr<VMBaseAssignAccess> vmBaseAssignAccess = std::make_shared<VMBaseAssignAccess>();
  std::shared_ptr<VMAssignAccess> vmAssignAccess = std::make_shared<VMAssignAccess>();
  std::shared_ptr<VMBaseVisitor> vmBaseVisitor = std::make_shared<VMBaseVisitor>();
  std::shared_ptr<VMInviteVisitor> vmInviteVisitor = std::make_shared<VMInviteVisitor>();

  std::shared_ptr<uikit::LayoutConstraint> cnTblAssignAccessHeight() const { return cnTblAssignAccessHeight_.lock(); }
  void setCnTblAssignAccessHeight(const std::shared_ptr<uikit::LayoutConstraint>& c) { cnTblAssignAccessHeight_ = c; }
  std::shared_ptr<uikit::TableView> tblAssginAccess() const { return tblAssginAccess_.lock(); }
  // Connecting the table registers the row nib and styles the table.
  void setTblAssginAccess(const std::shared_ptr<uikit::TableView>& table);

  void viewDidLoad() override;

  // Reply handlers of the two loads.
  void handleBaseAssignAccessReply(const DataResponse<MDLBaseAssignAccess>& response);
  void handleBaseVisitorReply(const DataResponse<MDLBaseVisitor>& response);
  // Building index picked in the invitation road's drop-down.
  void selectBuilding(long index);
  // Follows the table's content height up to 20 points short of tblMaxHeight.
  void updateTableHeight();

  // The assign button and what follows it.
  void btnAssignAccessClicked();
  void validateAndConfirm();
  void sendAssignAccess(Buildings buildings, TwoWheelers twoWheelers, FourWheelers fourWheelers);
  void sendInvitation(Buildings buildings, TwoWheelers twoWheelers, FourWheelers fourWheelers);
  void handleAssignAccessReply(const DataResponse<MDLAssignAccess>& response);
  void handleInviteReply(const DataResponse<MDLInviteVisitor>& response);

  // The window-dependent height limit; the screen height once per run.
  static double maximumTableHeight();

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                       const uikit::IndexPath& indexPath) override;

  static void registerScene();

 private:
  // The checks shared by the ticked buildings: names without a ticked floor
  // and names without both default floors.
  void checkBuilding(const MDLBaseAssignAccessBuilding& building, std::vector<std::string>& withoutFloors,
                     std::vector<std::string>& withoutDefaults) const;
  void showCheckMessage(const std::string& message);
  void showSuccessPopup(bool invitation);
  void reloadTableLater();
  void reloadTableNow();
  template <class Record>
  const Record* beginReply(const DataResponse<Record>& response);
  void appendRow(Row row);
  void setUpBuildingRow(TenantAsssignAccessCell& cell, const Building& building, std::size_t row);
  void setUpBuildingDropDown(TenantAsssignAccessCell& cell, const Building& building);
  void setUpTwoWheelers(TenantAsssignAccessCell& cell, const TwoWheelers& list);
  void setUpFourWheelers(TenantAsssignAccessCell& cell, const FourWheelers& list);
  void setUpDefaultUp(TenantAsssignAccessCell& cell, const std::vector<DefaultUpList>& list);
  void setUpDefaultDown(TenantAsssignAccessCell& cell, const std::vector<DefaultDownList>& list);

  std::weak_ptr<uikit::LayoutConstraint> cnTblAssignAccessHeight_;
  std::weak_ptr<uikit::TableView> tblAssginAccess_;
  std::shared_ptr<uikit::ContentSizeObservation> contentSizeObservation_;
};
