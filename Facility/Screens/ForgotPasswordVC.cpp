#include "Facility/Screens/ForgotPasswordVC.h"

#include <string>

#include "Facility/Screens/PasswordForm.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/Storyboard.h"

void ForgotPasswordVC::btnForgetPasswordClicked(uikit::Control& sender) {
  (void)sender;
  if (auto editing = uikit::Responder::currentFirstResponder()) editing->resignFirstResponder();
  auto code = txtOTP() ? txtOTP()->text() : std::nullopt;
  auto password = txtPassword() ? txtPassword()->text() : std::nullopt;
  auto confirmation = txtConfirmPassword() ? txtConfirmPassword()->text() : std::nullopt;
  if (PasswordForm::isEmpty(code)) return PasswordForm::showFailure(*this, Validation::enterOTP);
  if (auto failure = PasswordForm::pairFailure(password, confirmation)) {
    return PasswordForm::showFailure(*this, *failure);
  }
  auto emailId = UserDefaultsAccess::getString(UserDefaultsKey::emailId);
  if (PasswordForm::isEmpty(emailId)) return PasswordForm::showFailure(*this, Validation::emailIdNotFound);

  auto self = sharedAs<ForgotPasswordVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::wait).rawValue());
  std::weak_ptr<uikit::ViewController> form = self;
  vmLrf->requestResetPassword(*emailId, *code, *password, [form](DataResponse<MDLResetPassword> response) {
    PasswordForm::finish(form, response);
  });
}

void ForgotPasswordVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "ForgotPasswordVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<ForgotPasswordVC>();
    auto view = uikit::View::make(uikit::Device::screenBounds());
    auto code = uikit::View::make<GenericTextField>(uikit::Rect(20, 160, 335, 44));
    code->setAccessibilityIdentifier("txtOTP");
    code->setPlaceholder("OTP");
    view->addSubview(code);
    auto fields = PasswordForm::addPasswordFields(*view, "btnForgetPassword");

    std::weak_ptr<ForgotPasswordVC> weak = controller;
    fields.submit->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnForgetPasswordClicked(sender);
    }, uikit::kControlEventTouchUpInside);

    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"txtOTP", [controller, code] { controller->setTxtOTP(code); }},
        {"txtPassword", [controller, field = fields.password] { controller->setTxtPassword(field); }},
        {"txtConfirmPassword", [controller, field = fields.confirmation] { controller->setTxtConfirmPassword(field); }},
    };
    return contents;
  });
}
