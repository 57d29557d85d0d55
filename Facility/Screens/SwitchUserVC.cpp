#include "Facility/Screens/SwitchUserVC.h"

#include <vector>

#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Services/NotificationCountRefresher.h"
#include "Facility/Storage/UserType.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"

void SwitchUserVC::setLblSwitchText(const std::shared_ptr<uikit::Label>& label) {
  lblSwitchText_ = label;
  if (!label) return;
  label->setText("Switch To:");
  label->setFont(AppFont::appScaledFont(uikit::Font::systemFont(15, uikit::FontWeight::kMedium)));
}

void SwitchUserVC::setTxtDropDown(const std::shared_ptr<GenericTextField>& field) {
  txtDropDown_ = field;
  if (!field) return;
  const std::string current = UserTypes::rawValue(CurrentUserType::shared().currentUserType());
  field->setText(current);
  std::vector<TextFieldInput::Row> rows;
  for (const auto& name : UserTypes::availableForCurrentUser()) rows.emplace_back(name);
  std::weak_ptr<SwitchUserVC> weakSelf = sharedAs<SwitchUserVC>();
  TextFieldInput::of(field)->setListPickerInput(std::move(rows), current,
                                                [weakSelf](const std::string& title, long row, long) {
                                                  roleChosen(weakSelf, title, row);
                                                });
}

void SwitchUserVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  if (auto navigation = navigationController()) navigation->navigationItem().setLeftBarButtonItem(nullptr);
}

void SwitchUserVC::roleChosen(const std::weak_ptr<SwitchUserVC>& screen, const std::string& title, long row) {
  // Every badge hides before the dashboards are rebuilt for the new role.
  platform::NotificationCenter::defaultCenter().post(NotificationCountRefresher::kNotificationName,
                                                     {{NotificationCountRefresher::kCountKey, platform::Value("0")}});
  if (auto self = screen.lock()) {
    if (auto field = self->txtDropDown()) field->setText(title);
  }

  // Row 0 is always "User"; row 1 is the admin role the login allows.
  CurrentRole role = CurrentRole::kUser;
  if (row == 1) {
    if (auto named = UserTypes::fromRawValue(title)) role = CurrentUserType::roleOf(*named);
  }
  CurrentUserType::shared().setCurrentUser(role);
  CurrentUserType::shared().syncLoginType();

  // The badges and the stored role above do not depend on the screen; the
  // hand-back does, and is skipped once the screen is gone.
  platform::RunLoop::main().asyncAfter(kReturnDelay, [screen] {
    auto self = screen.lock();
    if (!self) return;
    if (auto delegate = self->userSelectionDelegate.lock()) delegate->onUserTypeSelected();
    if (auto navigation = self->navigationController()) navigation->popViewController(true);
  });
}

void SwitchUserVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "SwitchUserVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<SwitchUserVC>();
    auto view = uikit::View::make(uikit::Device::screenBounds());
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(20, 100, 120, 30));
    auto field = uikit::View::make<GenericTextField>(uikit::Rect(20, 140, 280, 40));
    field->setTag(1);
    view->addSubview(label);
    view->addSubview(field);
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"lblSwitchText", [controller, label] { controller->setLblSwitchText(label); }},
        {"txtDropDown", [controller, field] { controller->setTxtDropDown(field); }},
    };
    return contents;
  });
}
