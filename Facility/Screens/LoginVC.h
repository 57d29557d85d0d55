// The sign-in screen: user name, password, a role drop-down (display only:
// the role comes from the stored login), the app version and the
// forgotten-password link. A successful sign-in stores the login, marks the
// user signed in, allows punching and rebuilds the window root.
#pragma once

#include <memory>
#include <optional>

#include "Facility/Services/VMLrf.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Facility/Widgets/Validation.h"
#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/Label.h"

class LoginVC : public SuperViewController {
 public:
  static constexpr const char* kStoryboard = "Main";
  static constexpr const char* kVersionPrefix = "App Version: ";

  // Shared with the sign-in request, which still stores a login whose reply
  // arrives after the screen has gone.
  std::shared_ptr<VMLrf> vmLrf = std::make_shared<VMLrf>();

  // Outlets; connecting lbVersion or txtDropDown sets it up.
  std::shared_ptr<uikit::Label> lbVersion() const { return lbVersion_.lock(); }
  void setLbVersion(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<GenericTextField> txtDropDown() const { return txtDropDown_.lock(); }
  void setTxtDropDown(const std::shared_ptr<GenericTextField>& field);
  // Holds the user name, whatever its name says.
  std::shared_ptr<GenericTextField> txtEmail() const { return txtEmail_.lock(); }
  void setTxtEmail(const std::shared_ptr<GenericTextField>& field) { txtEmail_ = field; }
  std::shared_ptr<GenericTextField> txtPassword() const { return txtPassword_.lock(); }
  void setTxtPassword(const std::shared_ptr<GenericTextField>& field) { txtPassword_ = field; }
  std::shared_ptr<GenericButton> btnLogin() const { return btnLogin_.lock(); }
  void setBtnLogin(const std::shared_ptr<GenericButton>& button) { btnLogin_ = button; }

  void loginClicked(uikit::Control& sender);
  void btnForgotPasswordClicked(uikit::Control& sender);

  // First failed check of the form; none when it may be sent.
  std::optional<Validation> validationFailure() const;

  static void registerScene();

 private:
  std::weak_ptr<uikit::Label> lbVersion_;
  std::weak_ptr<GenericTextField> txtDropDown_;
  std::weak_ptr<GenericTextField> txtEmail_;
  std::weak_ptr<GenericTextField> txtPassword_;
  std::weak_ptr<GenericButton> btnLogin_;
};
