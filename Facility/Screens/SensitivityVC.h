// Tap-and-go sensitivity: a Low/Medium/High drop-down and a save button that
// stores the choice for the floor screen and sets the engine's level.
#pragma once

#include <memory>
#include <optional>

#include "Facility/Screens/SensitivityLevel.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/TextField.h"

class SensitivityVC : public SuperViewController {
 public:
  using SensitivityLevel = ::SensitivityLevel;
  static constexpr const char* kStoryboard = "User";

  // None until a stored choice is recognised or a row is picked.
  std::optional<SensitivityLevel> level;

  // Connecting the field shows the stored choice.
  std::shared_ptr<uikit::TextField> txtBuilding() const { return txtBuilding_.lock(); }
  void setTxtBuilding(const std::shared_ptr<uikit::TextField>& field);
  std::shared_ptr<uikit::Button> btnSave() const { return btnSave_.lock(); }
  void setBtnSave(const std::shared_ptr<uikit::Button>& button) { btnSave_ = button; }

  void viewDidLoad() override;
  void btnSaveClicked();

  static void registerScene();

 private:
  void showSavedSensitivity();
  void finishSave();

  std::weak_ptr<uikit::TextField> txtBuilding_;
  std::weak_ptr<uikit::Button> btnSave_;
};
