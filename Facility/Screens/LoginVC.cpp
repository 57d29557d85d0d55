#include "Facility/Screens/LoginVC.h"

#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Network/APIManager.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/SuccessRootRebuild.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Storage/UserType.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Storyboard.h"

void LoginVC::setLbVersion(const std::shared_ptr<uikit::Label>& label) {
  lbVersion_ = label;
  if (!label) return;
  label->setText(std::string(kVersionPrefix) + platform::Bundle::main().shortVersionString().value_or(""));
}

void LoginVC::setTxtDropDown(const std::shared_ptr<GenericTextField>& field) {
  txtDropDown_ = field;
  if (!field) return;
  std::vector<TextFieldInput::Row> rows;
  for (const auto& name : UserTypes::allDisplayNames()) rows.emplace_back(name);
  std::weak_ptr<LoginVC> weakSelf = sharedAs<LoginVC>();
  TextFieldInput::of(field)->setListPickerInput(std::move(rows), std::string(),
                                                [weakSelf](const std::string& title, long, long) {
                                                  auto self = weakSelf.lock();
                                                  if (!self) return;
                                                  if (auto dropDown = self->txtDropDown()) dropDown->setText(title);
                                                });
}

std::optional<Validation> LoginVC::validationFailure() const {
  auto user = txtEmail();
  auto password = txtPassword();
  auto userName = user ? user->text() : std::nullopt;
  if (!userName || platform::Utf8::isBlank(*userName)) return Validation(Validation::enterUsername);
  // Blanks are a password like any other.
  auto secret = password ? password->text() : std::nullopt;
  if (!secret || secret->empty()) return Validation(Validation::enterPassword);
  return std::nullopt;
}

void LoginVC::loginClicked(uikit::Control& sender) {
  (void)sender;
  if (auto failure = validationFailure()) {
    AlertPresenter::showAlert(*this, AppAlert(AppAlert::Sorry).rawValue(), failure->rawValue(),
                              uikit::AlertControllerStyle::kAlert, {AAction::Okay});
    return;
  }
  auto self = sharedAs<LoginVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::authenticating).rawValue());
  const std::string userName = txtEmail()->text().value_or("");
  const std::string password = txtPassword()->text().value_or("");
  std::weak_ptr<LoginVC> weakSelf = self;
  // The view model rides along: a reply that outlives the screen still
  // stores the login the flags below announce.
  auto viewModel = vmLrf;
  vmLrf->requestAuthenticateUser(userName, password, [weakSelf, viewModel](DataResponse<MDLLogin> response) {
    auto screen = weakSelf.lock();
    if (!response.value) {
      showResponseErrorAlert(screen, std::nullopt, {AAction::Ok}, nullptr, response);
      return;
    }
    const MDLLogin& login = *response.value;
    if (login.IsSuccess.value_or(false)) {
      auto& defaults = platform::UserDefaults::standard();
      (void)defaults.setInteger(1, TarneloBLEKeys::shouldAllowPunch);
      (void)defaults.setBool(true, UserDefaultsKey::isUserLogin.value);
      defaults.synchronize();
      viewModel->saveLogin(login);
      SuccessRootRebuild::show(std::nullopt);
      return;
    }
    showResponseErrorAlert(screen, login.Message, {AAction::Ok}, nullptr, response);
  });
}

void LoginVC::btnForgotPasswordClicked(uikit::Control& sender) {
  (void)sender;
  auto emailId = UserDefaultsAccess::getString(UserDefaultsKey::emailId);
  if (!emailId || platform::Utf8::isBlank(*emailId)) {
    AlertPresenter::showAlert(*this, AppAlert(AppAlert::Alert).rawValue(),
                              Validation(Validation::emailIdNotFound).rawValue(), uikit::AlertControllerStyle::kAlert,
                              {AAction::Ok}, [](const AAction&) {});
    return;
  }
  auto self = sharedAs<LoginVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::wait).rawValue());
  std::weak_ptr<LoginVC> weakSelf = self;
  vmLrf->requestForgotPassword(*emailId, [weakSelf](DataResponse<MDLForgotPassword> response) {
    auto screen = weakSelf.lock();
    if (!screen) return;
    if (!response.value) {
      showResponseErrorAlert(screen, std::nullopt, {AAction::Ok}, nullptr, response);
      return;
    }
    if (response.value->IsSuccess.value_or(false)) {
      if (auto reset = Storyboards::instantiateScreen(StoryboardName::main, "ForgotPasswordVC")) {
        screen->present(reset, true);
      }
      return;
    }
    showResponseErrorAlert(screen, response.value->Message, {AAction::Ok}, nullptr, response);
  });
}

void LoginVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "LoginVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<LoginVC>();
    auto view = uikit::View::make(uikit::Device::screenBounds());

    auto version = uikit::View::make<uikit::Label>(uikit::Rect(20, 40, 335, 20));
    version->setAccessibilityIdentifier("lbVersion");
    auto dropDown = uikit::View::make<GenericTextField>(uikit::Rect(20, 200, 335, 44));
    dropDown->setTag(1);
    dropDown->setAccessibilityIdentifier("txtDropDown");
    dropDown->setPlaceholder("Select User Type");
    auto user = uikit::View::make<GenericTextField>(uikit::Rect(20, 260, 335, 44));
    user->setAccessibilityIdentifier("txtEmail");
    user->setPlaceholder("Username");
    auto password = uikit::View::make<GenericTextField>(uikit::Rect(20, 320, 335, 44));
    password->setAccessibilityIdentifier("txtPassword");
    password->setPlaceholder("Password");
    password->isSecureTextEntry = true;
    auto forgot = uikit::View::make<GenericButton>(uikit::Rect(200, 370, 155, 30));
    forgot->setTag(6);
    forgot->setTitle("Forgot Password?");
    forgot->setAccessibilityIdentifier("btnForgotPassword");
    auto login = uikit::View::make<GenericButton>(uikit::Rect(20, 420, 335, 44));
    login->setTag(-1);
    login->setTitle("Login");
    login->setAccessibilityIdentifier("btnLogin");
    for (const uikit::ViewPtr& v : std::vector<uikit::ViewPtr>{version, dropDown, user, password, forgot, login}) {
      view->addSubview(v);
    }

    std::weak_ptr<LoginVC> weak = controller;
    login->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->loginClicked(sender);
    }, uikit::kControlEventTouchUpInside);
    forgot->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnForgotPasswordClicked(sender);
    }, uikit::kControlEventTouchUpInside);

    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"lbVersion", [controller, version] { controller->setLbVersion(version); }},
        {"txtDropDown", [controller, dropDown] { controller->setTxtDropDown(dropDown); }},
        {"txtEmail", [controller, user] { controller->setTxtEmail(user); }},
        {"txtPassword", [controller, password] { controller->setTxtPassword(password); }},
        {"btnLogin", [controller, login] { controller->setBtnLogin(login); }},
    };
    return contents;
  });
}
