// One employee of the tenant's list: name, employee id, mobile number,
// department, photo, the four access icons (green while granted), the
// marker of an unfinished invitation and the options button that opens the
// employee's access assignment.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Widgets/GenericLabel.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/TableViewCell.h"

class UserCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kNibName = "UserCell";
  static constexpr const char* kPlaceholderImage = "user_default";
  static constexpr double kHeight = 150.0;
  // The invitation state of an employee who has joined.
  static constexpr const char* kInvitationComplete = "1";

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<GenericLabel> lbName, lbMobile, lbDepartment, lbEmpId;
  std::weak_ptr<uikit::Button> btnOptions;
  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<uikit::ImageView> imgVwUser;
  std::weak_ptr<uikit::View> vwTag, vwAccess, vwParking, vwVisitor;
  std::weak_ptr<uikit::ImageView> imgVwTag, imgVwAccess, imgVwParking, imgVwVisitor;
  std::weak_ptr<uikit::ImageView> imgInvite;

  // Shows the employee; the options button then calls openAccess with this
  // employee (the closure of the previous fill is replaced).
  void fill(const MDLEmployee& employee, std::function<void(const MDLEmployee&)> openAccess);

  // The photo's address: the stored server address, "/", the path as
  // given. Empty when the path is absent or blank, or the address is no URL.
  static std::string photoAddress(const std::optional<std::string>& employeeUrl);

  static void registerNib();

 private:
  static void showAccess(const std::weak_ptr<uikit::View>& background, const std::weak_ptr<uikit::ImageView>& icon,
                         const std::optional<bool>& granted);
};
