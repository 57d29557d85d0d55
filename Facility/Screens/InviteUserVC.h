// "Invite Visitor": the ten-field visitor form. Next checks the fields in
// screen order and hands the values to the access-assignment screen, which
// completes and sends the invitation.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Screens/InviteUserCell.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/TableView.h"

class InviteUserVC : public SuperViewController, public uikit::TableViewDataSource, public uikit::TableViewDelegate {
 public:
  static constexpr const char* kStoryboard = "User";
  static constexpr const char* kCellId = "InviteUserCell";
  static constexpr double kEstimatedRowHeight = 50.0;

  enum class FieldType { txtField, ddl, numberPad };
  enum class FieldName {
    firstName,
    lastName,
    category,
    mobileNumber,
    emailID,
    purposeOfVisit,
    companyName,
    expectedDate,
    expectedTime,
    meetingHours
  };
  struct InviteUserField {
    std::string label;
    std::string placeHolderText;
    FieldType fieldType;
    std::string text;
    FieldName fieldName;
  };

  // Set by the opener before the push.
  std::vector<MDLVisitoryCategory> arrCategories;
  std::string strFirstName;
  std::string strLastName;
  std::string strCategory;
  std::string strMobileNumber;
  std::string strEmailId;
  std::string strPurposeVisit;
  std::string strCompanyName;
  std::string strExpectedDate;
  std::string strExpectedTime;
  std::string strMeetingHours;
  std::optional<double> selectedDate;
  std::optional<double> selectedTime;
  std::string strCategoryValue;
  std::vector<InviteUserField> arrData;

  std::shared_ptr<uikit::TableView> tblInviteUser() const { return tblInviteUser_.lock(); }
  // Connecting the table registers the row nib and drops the separators.
  void setTblInviteUser(const std::shared_ptr<uikit::TableView>& table);

  void viewDidLoad() override;

  // The ten fields in screen order, each empty.
  static std::vector<InviteUserField> formFields();

  void btnNextClicked();
  void validateInviteForm();

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                       const uikit::IndexPath& indexPath) override;

  static void registerScene();

 private:
  // The row's copy of the field, changed, goes back and the row redraws.
  void storeField(std::size_t row, const InviteUserField& field);
  void fieldEdited(std::size_t row, const std::string& text);
  void categoryChosen(std::size_t row, long index);
  void datePicked(std::size_t row, double date, bool time);
  // "dd/MM/yyyy" or "HH:mm" through the shared formatter.
  static std::string formattedPick(double date, bool time);
  void meetingHoursPicked(std::size_t row, long hour, long minutes);
  void showValidation(const std::string& message);

  std::weak_ptr<uikit::TableView> tblInviteUser_;
};
