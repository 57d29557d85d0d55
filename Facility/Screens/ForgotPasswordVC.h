// Resets a forgotten password: the one-time code that was mailed and the
// new password twice, for the e-mail address stored with the invitation.
// Shown over the sign-in screen; the root rebuild after a reset discards it.
#pragma once

#include <memory>

#include "Facility/Services/VMLrf.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/Control.h"

class ForgotPasswordVC : public SuperViewController {
 public:
  static constexpr const char* kStoryboard = "Main";

  std::shared_ptr<VMLrf> vmLrf = std::make_shared<VMLrf>();

  std::shared_ptr<GenericTextField> txtOTP() const { return txtOTP_.lock(); }
  void setTxtOTP(const std::shared_ptr<GenericTextField>& field) { txtOTP_ = field; }
  std::shared_ptr<GenericTextField> txtPassword() const { return txtPassword_.lock(); }
  void setTxtPassword(const std::shared_ptr<GenericTextField>& field) { txtPassword_ = field; }
  std::shared_ptr<GenericTextField> txtConfirmPassword() const { return txtConfirmPassword_.lock(); }
  void setTxtConfirmPassword(const std::shared_ptr<GenericTextField>& field) { txtConfirmPassword_ = field; }

  // Submit.
  void btnForgetPasswordClicked(uikit::Control& sender);

  static void registerScene();

 private:
  std::weak_ptr<GenericTextField> txtOTP_;
  std::weak_ptr<GenericTextField> txtPassword_;
  std::weak_ptr<GenericTextField> txtConfirmPassword_;
};
