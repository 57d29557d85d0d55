#include "Facility/Screens/SetNewPasswordVC.h"

#include <string>

#include "Facility/Screens/PasswordForm.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Storyboard.h"

void SetNewPasswordVC::setTxtUsername(const std::shared_ptr<GenericTextField>& field) {
  txtUsername_ = field;
  if (!field) return;
  field->setEnabled(false);
  auto stored = UserDefaultsAccess::getString(UserDefaultsKey::username);
  if (!PasswordForm::isEmpty(stored)) field->setText(*stored);
}

void SetNewPasswordVC::btnSubmitClicked(uikit::Control& btn) {
  (void)btn;
  auto userName = txtUsername() ? txtUsername()->text() : std::nullopt;
  auto password = txtPassword() ? txtPassword()->text() : std::nullopt;
  auto confirmation = txtConfirmPassword() ? txtConfirmPassword()->text() : std::nullopt;
  if (PasswordForm::isEmpty(userName)) return PasswordForm::showFailure(*this, Validation::enterUsername);
  if (auto failure = PasswordForm::pairFailure(password, confirmation)) {
    return PasswordForm::showFailure(*this, *failure);
  }

  auto self = sharedAs<SetNewPasswordVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::wait).rawValue());
  std::weak_ptr<uikit::ViewController> form = self;
  vmLrf->requestSetPassword(*userName, *password, [form](DataResponse<MDLSetPassword> response) {
    // Stored before the tick, so that the new root is no longer this form.
    PasswordForm::finish(form, response, [] {
      UserDefaultsAccess::setValue(platform::Value(true), UserDefaultsKey::isPasswordSet);
    });
  });
}

void SetNewPasswordVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "SetNewPasswordVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<SetNewPasswordVC>();
    auto view = uikit::View::make(uikit::Device::screenBounds());
    auto user = uikit::View::make<GenericTextField>(uikit::Rect(20, 160, 335, 44));
    user->setAccessibilityIdentifier("txtUsername");
    user->setPlaceholder("Username");
    view->addSubview(user);
    auto fields = PasswordForm::addPasswordFields(*view, "btnSubmit");

    std::weak_ptr<SetNewPasswordVC> weak = controller;
    fields.submit->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnSubmitClicked(sender);
    }, uikit::kControlEventTouchUpInside);

    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"txtUsername", [controller, user] { controller->setTxtUsername(user); }},
        {"txtPassword", [controller, field = fields.password] { controller->setTxtPassword(field); }},
        {"txtConfirmPassword", [controller, field = fields.confirmation] { controller->setTxtConfirmPassword(field); }},
    };
    return contents;
  });
}
