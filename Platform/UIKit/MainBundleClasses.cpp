#include "Platform/UIKit/MainBundleClasses.h"

#include <mutex>
#include <set>

#include "Platform/UIKit/Object.h"

namespace uikit {
namespace {

struct Names {
  std::mutex mu;
  std::set<std::string, std::less<>> names;
};

Names& Shared() {
  static Names* names = new Names;
  return *names;
}

}  // namespace

void MainBundleClasses::add(std::string className) {
  if (className.empty()) return;
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().names.insert(std::move(className));
}

bool MainBundleClasses::contains(std::string_view className) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return Shared().names.find(className) != Shared().names.end();
}

bool MainBundleClasses::isFromMainBundle(const Object& object) { return contains(object.className()); }

void MainBundleClasses::reset() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().names.clear();
}

}  // namespace uikit
