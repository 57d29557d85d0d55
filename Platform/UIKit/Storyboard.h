// Storyboards as code: per storyboard name, scene factories keyed by
// identifier (the screen's class name). A storyboard's scenes are declared
// by a populate step that runs when the storyboard is first opened, and a
// scene's factory runs only when that scene is instantiated.
//
// Instantiation sets the outlets in their listed order (each set-hook runs
// as it is set), wakes every view of the scene's tree and then the
// controller (awakeFromNib); viewDidLoad follows on first view access.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/Nib.h"

namespace uikit {

class View;
class ViewController;

struct StoryboardSceneContents {
  std::shared_ptr<ViewController> controller;
  std::shared_ptr<View> view;  // the controller's view; none: a plain one
  std::vector<NibOutlet> outlets;
};

class Storyboard : public std::enable_shared_from_this<Storyboard> {
 public:
  using SceneFactory = std::function<StoryboardSceneContents()>;
  using Populate = std::function<void(Storyboard&)>;

  static void registerStoryboard(const std::string& name, Populate populate);
  // Adds one scene to a storyboard (declaring the storyboard if needed).
  static void registerScene(const std::string& storyboard, const std::string& identifier, SceneFactory factory);
  // None when no storyboard of that name is declared.
  static std::shared_ptr<Storyboard> named(const std::string& name);
  // Names of every declared storyboard, sorted.
  static std::vector<std::string> names();
  // Whether the named storyboard has been opened (its populate step run).
  static bool isBuilt(const std::string& name);
  static void resetRegistry();

  const std::string& name() const { return name_; }
  void addScene(const std::string& identifier, SceneFactory factory);
  void setInitialIdentifier(const std::string& identifier) { initial_ = identifier; }
  // None for an unknown identifier.
  std::shared_ptr<ViewController> instantiateViewController(const std::string& identifier);
  std::shared_ptr<ViewController> instantiateInitialViewController();
  std::vector<std::string> identifiers() const;

  explicit Storyboard(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
  std::string initial_;
  std::map<std::string, SceneFactory> scenes_;
};

}  // namespace uikit
