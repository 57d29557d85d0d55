#include "Platform/UIKit/ViewControllerAppearanceHooks.h"

#include <atomic>
#include <map>
#include <mutex>
#include <utility>

#include "Platform/UIKit/ViewController.h"

namespace uikit {
namespace {

struct Table {
  std::mutex mu;
  std::map<std::pair<std::string, AppearanceCallback>, ViewControllerAppearanceHooks::Implementation> entries;
  // Lets the appearance code skip the class-name lookup while nothing is replaced.
  std::atomic<bool> any{false};
};

Table& Shared() {
  static Table* table = new Table;
  return *table;
}

void OwnCallback(ViewController& controller, AppearanceCallback callback, bool animated) {
  if (callback == AppearanceCallback::kViewDidAppear) {
    controller.viewDidAppear(animated);
  } else {
    controller.viewDidDisappear(animated);
  }
}

}  // namespace

ViewControllerAppearanceHooks::Implementation ViewControllerAppearanceHooks::current(const std::string& className,
                                                                                      AppearanceCallback callback) {
  Table& t = Shared();
  {
    std::lock_guard<std::mutex> lock(t.mu);
    for (const std::string& name : {className, std::string(kBaseClassName)}) {
      auto it = t.entries.find({name, callback});
      if (it != t.entries.end()) return it->second;
    }
  }
  return [callback](ViewController& controller, bool animated) { OwnCallback(controller, callback, animated); };
}

void ViewControllerAppearanceHooks::replace(const std::string& className, AppearanceCallback callback,
                                            Implementation implementation) {
  Table& t = Shared();
  std::lock_guard<std::mutex> lock(t.mu);
  if (implementation) {
    t.entries[{className, callback}] = std::move(implementation);
  } else {
    t.entries.erase({className, callback});
  }
  t.any = !t.entries.empty();
}

void ViewControllerAppearanceHooks::run(ViewController& controller, AppearanceCallback callback, bool animated) {
  if (!Shared().any.load()) {
    OwnCallback(controller, callback, animated);
    return;
  }
  Implementation implementation = current(controller.className(), callback);
  implementation(controller, animated);
}

void ViewControllerAppearanceHooks::resetAll() {
  Table& t = Shared();
  std::lock_guard<std::mutex> lock(t.mu);
  t.entries.clear();
  t.any = false;
}

}  // namespace uikit
