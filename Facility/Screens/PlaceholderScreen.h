// Stands in for a screen whose class is not part of the program yet: its
// storyboard scene makes this controller, whose only content reads
// "<Class> (not built yet)". The root choice accepts it as the screen.
#pragma once

#include <string>

#include "Platform/UIKit/ViewController.h"

class PlaceholderScreen : public uikit::ViewController {
 public:
  explicit PlaceholderScreen(std::string screenName) : screenName_(std::move(screenName)) {}
  const std::string& screenName() const { return screenName_; }
  void viewDidLoad() override;

  // Adds a placeholder scene for every screen the start-up can show that no
  // storyboard declares yet.
  static void registerMissingScenes();

 private:
  std::string screenName_;
};
