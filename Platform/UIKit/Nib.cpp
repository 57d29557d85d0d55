#include "Platform/UIKit/Nib.h"

#include <map>
#include <mutex>

#include "Platform/UIKit/View.h"

namespace uikit {

namespace {
std::map<std::string, Nib::Factory>& registry() {
  static std::map<std::string, Nib::Factory> r;
  return r;
}

void wake(View& v) {
  auto subs = v.subviews();
  for (const auto& s : subs) wake(*s);
  v.awakeFromNib();
}
}  // namespace

void Nib::registerNib(const std::string& name, Factory factory) { registry()[name] = std::move(factory); }

bool Nib::isRegistered(const std::string& name) { return registry().count(name) > 0; }

std::shared_ptr<Nib> Nib::named(const std::string& name) {
  auto it = registry().find(name);
  if (it == registry().end()) return nullptr;
  return std::make_shared<Nib>(name, it->second);
}

void Nib::resetRegistry() { registry().clear(); }

void Nib::wire(const std::vector<NibOutlet>& outlets, const std::vector<std::shared_ptr<View>>& trees) {
  for (const auto& o : outlets) {
    if (o.connect) o.connect();
  }
  for (const auto& t : trees) {
    if (t) wake(*t);
  }
}

std::vector<std::shared_ptr<Object>> Nib::instantiateWithOwner(const std::shared_ptr<Object>& owner) const {
  if (!factory_) return {};
  NibContents contents = factory_(owner);
  std::vector<std::shared_ptr<View>> trees;
  for (const auto& o : contents.topLevelObjects) {
    if (auto v = std::dynamic_pointer_cast<View>(o)) trees.push_back(v);
  }
  wire(contents.outlets, trees);
  return contents.topLevelObjects;
}

}  // namespace uikit
