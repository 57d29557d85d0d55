#include "Platform/TrivandelUtilities/TVUSwizzler.h"

namespace platform {
namespace {

std::optional<uikit::AppearanceCallback> CallbackFor(const std::string& selector, bool isClassSelector) {
  if (isClassSelector) return std::nullopt;
  if (selector == "viewDidAppear:") return uikit::AppearanceCallback::kViewDidAppear;
  if (selector == "viewDidDisappear:") return uikit::AppearanceCallback::kViewDidDisappear;
  return std::nullopt;
}

}  // namespace

std::optional<TVUSwizzler::Implementation> TVUSwizzler::currentImplementationForClass(const std::string& className,
                                                                                       const std::string& selector,
                                                                                       bool isClassSelector) {
  std::optional<uikit::AppearanceCallback> callback = CallbackFor(selector, isClassSelector);
  if (!callback || className.empty()) return std::nullopt;
  return uikit::ViewControllerAppearanceHooks::current(className, *callback);
}

bool TVUSwizzler::swizzleClass(const std::string& className, const std::string& selector, bool isClassSelector,
                               Implementation block) {
  std::optional<uikit::AppearanceCallback> callback = CallbackFor(selector, isClassSelector);
  if (!callback || className.empty() || !block) return false;
  uikit::ViewControllerAppearanceHooks::replace(className, *callback, std::move(block));
  return true;
}

}  // namespace platform
