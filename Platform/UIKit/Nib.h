// Interface files as code. A nib is a registered factory that builds its
// top-level objects and lists its outlets in wiring order. Instantiating
// sets each outlet in that order (running the outlet's set-hook as it is
// set), then calls awakeFromNib on every view of the top-level trees.
// Registries are lazy: a factory runs only when a nib is instantiated.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/Object.h"

namespace uikit {

class View;

struct NibOutlet {
  std::string name;
  std::function<void()> connect;
};

struct NibContents {
  std::vector<std::shared_ptr<Object>> topLevelObjects;
  std::vector<NibOutlet> outlets;
};

class Nib : public Object {
 public:
  using Factory = std::function<NibContents(const std::shared_ptr<Object>& owner)>;

  static void registerNib(const std::string& name, Factory factory);
  static bool isRegistered(const std::string& name);
  // None for an unknown name.
  static std::shared_ptr<Nib> named(const std::string& name);
  static void resetRegistry();

  explicit Nib(std::string name, Factory factory) : name_(std::move(name)), factory_(std::move(factory)) {}
  const std::string& name() const { return name_; }
  std::vector<std::shared_ptr<Object>> instantiateWithOwner(const std::shared_ptr<Object>& owner) const;

  // Connects outlets in order, then wakes every view of the given trees.
  static void wire(const std::vector<NibOutlet>& outlets, const std::vector<std::shared_ptr<View>>& trees);

 private:
  std::string name_;
  Factory factory_;
};

}  // namespace uikit
