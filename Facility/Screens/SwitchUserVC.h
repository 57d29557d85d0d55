// The role switch: a picker field offering the roles the signed-in login
// allows. Done stores the chosen role, rewrites the login record's type
// letter and, half a second later, hands control back to the dashboard that
// opened the screen and leaves it.
#pragma once

#include <memory>
#include <string>

#include "Facility/Screens/UserSelectionDelegate.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/ViewController.h"

class SwitchUserVC : public uikit::ViewController {
 public:
  static constexpr double kReturnDelay = 0.5;
  static constexpr const char* kStoryboard = "User";

  std::weak_ptr<UserSelectionDelegate> userSelectionDelegate;

  // Outlets; connecting one styles or fills it.
  std::shared_ptr<uikit::Label> lblSwitchText() const { return lblSwitchText_.lock(); }
  void setLblSwitchText(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<GenericTextField> txtDropDown() const { return txtDropDown_.lock(); }
  void setTxtDropDown(const std::shared_ptr<GenericTextField>& field);

  void viewDidLoad() override;

  // Declares this screen's scene in the "User" storyboard.
  static void registerScene();

 private:
  static void roleChosen(const std::weak_ptr<SwitchUserVC>& screen, const std::string& title, long row);

  std::weak_ptr<uikit::Label> lblSwitchText_;
  std::weak_ptr<GenericTextField> txtDropDown_;
};
