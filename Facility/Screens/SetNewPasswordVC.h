// The first password of an invited device: the user name from the
// invitation (read-only) and the new password twice. The window root until
// a password is set.
#pragma once

#include <memory>

#include "Facility/Services/VMLrf.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/Control.h"

class SetNewPasswordVC : public SuperViewController {
 public:
  static constexpr const char* kStoryboard = "Main";

  std::shared_ptr<VMLrf> vmLrf = std::make_shared<VMLrf>();

  // Connecting txtUsername disables it and fills in the stored user name.
  std::shared_ptr<GenericTextField> txtUsername() const { return txtUsername_.lock(); }
  void setTxtUsername(const std::shared_ptr<GenericTextField>& field);
  std::shared_ptr<GenericTextField> txtPassword() const { return txtPassword_.lock(); }
  void setTxtPassword(const std::shared_ptr<GenericTextField>& field) { txtPassword_ = field; }
  std::shared_ptr<GenericTextField> txtConfirmPassword() const { return txtConfirmPassword_.lock(); }
  void setTxtConfirmPassword(const std::shared_ptr<GenericTextField>& field) { txtConfirmPassword_ = field; }

  // Submit.
  void btnSubmitClicked(uikit::Control& btn);

  static void registerScene();

 private:
  std::weak_ptr<GenericTextField> txtUsername_;
  std::weak_ptr<GenericTextField> txtPassword_;
  std::weak_ptr<GenericTextField> txtConfirmPassword_;
};
