#include "Facility/Screens/SensitivityVC.h"

#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/DisplayMessage.h"
#include "Facility/Widgets/HudAlert.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"

void SensitivityVC::setTxtBuilding(const std::shared_ptr<uikit::TextField>& field) {
  txtBuilding_ = field;
  if (field) showSavedSensitivity();
}

void SensitivityVC::showSavedSensitivity() {
  auto field = txtBuilding();
  if (!field) return;
  const auto stored = UserDefaultsAccess::getString(UserDefaultsKey::sensitivity);
  for (std::size_t i = 0; stored && i < SensitivityLevel::caseCount(); ++i) {
    SensitivityLevel candidate(static_cast<SensitivityLevel::Case>(i));
    if (candidate.storedText() == *stored) {
      level = candidate;
      field->setText(candidate.rawValue());
      return;
    }
  }
  field->setText(SensitivityLevel(SensitivityLevel::Low).rawValue());
}

void SensitivityVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  setTitle("Settings");
  auto field = txtBuilding();
  if (!field) return;
  TextFieldDecor::setRightImageNamed(*field, "ddl_arrow", 10);
  auto input = TextFieldInput::of(field);
  input->setTypeDisable("true");
  std::vector<TextFieldInput::Row> rows;
  for (const auto& text : SensitivityLevel::texts()) rows.emplace_back(text);
  const std::string current = field->text().value_or("");
  std::weak_ptr<SensitivityVC> weakSelf = sharedAs<SensitivityVC>();
  input->setListPickerInput(std::move(rows), current.empty() ? std::string("Low") : current,
                            [weakSelf](const std::string&, long row, long) {
                              auto self = weakSelf.lock();
                              if (!self) return;
                              self->level = row == 1   ? SensitivityLevel(SensitivityLevel::Medium)
                                            : row == 2 ? SensitivityLevel(SensitivityLevel::High)
                                                       : SensitivityLevel(SensitivityLevel::Low);
                            });
}

void SensitivityVC::btnSaveClicked() {
  const SensitivityLevel chosen = level.value_or(SensitivityLevel(SensitivityLevel::Low));
  UserDefaultsAccess::setValue(platform::Value(chosen.storedText()), UserDefaultsKey::sensitivity);
  TarneloBLE::shared().sensitityLevel = chosen.storedInteger();
  (void)platform::UserDefaults::standard().setInteger(chosen.storedInteger(), "com.tarnelo.ble.sensitivity");
  std::weak_ptr<SensitivityVC> weakSelf = sharedAs<SensitivityVC>();
  HudAlert::showSuccess([weakSelf](bool) {
    if (auto self = weakSelf.lock()) self->finishSave();
  });
}

void SensitivityVC::finishSave() {
  if (auto navigation = navigationController()) navigation->popViewController(true);
  AppToastAlert::show(ToastPosition::bottom, DisplayMessage(DisplayMessage::sensitivityUpdated).rawValue());
}

void SensitivityVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "SensitivityVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<SensitivityVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto field = uikit::View::make<uikit::TextField>(uikit::Rect(20, 130, screen.size.width - 40, 40));
    field->setAccessibilityIdentifier("txtBuilding");
    auto save = uikit::Button::withType(uikit::ButtonType::kCustom);
    save->setFrame(uikit::Rect(20, 200, screen.size.width - 40, 44));
    save->setTitle("Save");
    view->addSubview(field);
    view->addSubview(save);
    std::weak_ptr<SensitivityVC> weak = controller;
    save->addTarget(controller, [weak](uikit::Control&) {
      if (auto c = weak.lock()) c->btnSaveClicked();
    }, uikit::kControlEventTouchUpInside);
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"txtBuilding", [weak, field] { if (auto c = weak.lock()) c->setTxtBuilding(field); }},
        {"btnSave", [weak, save] { if (auto c = weak.lock()) c->setBtnSave(save); }},
    };
    return contents;
  });
}
