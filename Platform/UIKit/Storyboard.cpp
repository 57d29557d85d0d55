#include "Platform/UIKit/Storyboard.h"

#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

namespace uikit {

namespace {
struct Entry {
  std::vector<Storyboard::Populate> populate;
  std::shared_ptr<Storyboard> built;
};
std::map<std::string, Entry>& registry() {
  static std::map<std::string, Entry> r;
  return r;
}
}  // namespace

void Storyboard::registerStoryboard(const std::string& name, Populate populate) {
  auto& e = registry()[name];
  if (e.built) {
    populate(*e.built);
  } else {
    e.populate.push_back(std::move(populate));
  }
}

void Storyboard::registerScene(const std::string& storyboard, const std::string& identifier, SceneFactory factory) {
  registerStoryboard(storyboard, [identifier, factory](Storyboard& sb) { sb.addScene(identifier, factory); });
}

std::shared_ptr<Storyboard> Storyboard::named(const std::string& name) {
  auto it = registry().find(name);
  if (it == registry().end()) return nullptr;
  Entry& e = it->second;
  if (!e.built) {
    e.built = std::make_shared<Storyboard>(name);
    auto steps = std::move(e.populate);
    e.populate.clear();
    for (auto& p : steps) p(*e.built);
  }
  return e.built;
}

std::vector<std::string> Storyboard::names() {
  std::vector<std::string> out;
  for (const auto& [name, entry] : registry()) out.push_back(name);
  return out;
}

bool Storyboard::isBuilt(const std::string& name) {
  auto it = registry().find(name);
  return it != registry().end() && it->second.built != nullptr;
}

void Storyboard::resetRegistry() { registry().clear(); }

void Storyboard::addScene(const std::string& identifier, SceneFactory factory) {
  scenes_[identifier] = std::move(factory);
  if (initial_.empty()) initial_ = identifier;
}

std::vector<std::string> Storyboard::identifiers() const {
  std::vector<std::string> out;
  for (const auto& [k, v] : scenes_) out.push_back(k);
  return out;
}

std::shared_ptr<ViewController> Storyboard::instantiateViewController(const std::string& identifier) {
  auto it = scenes_.find(identifier);
  if (it == scenes_.end() || !it->second) return nullptr;
  StoryboardSceneContents contents = it->second();
  auto vc = contents.controller;
  if (!vc) return nullptr;
  vc->storyboardName_ = name_;
  vc->storyboardIdentifier_ = identifier;
  if (contents.view) vc->setPreparedView(contents.view);
  std::vector<std::shared_ptr<View>> trees;
  if (contents.view) trees.push_back(contents.view);
  Nib::wire(contents.outlets, trees);
  vc->awakeFromNib();
  return vc;
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController() {
  if (initial_.empty()) return nullptr;
  return instantiateViewController(initial_);
}

}  // namespace uikit
