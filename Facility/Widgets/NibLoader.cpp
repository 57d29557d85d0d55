#include "Facility/Widgets/NibLoader.h"

#include "Platform/UIKit/Nib.h"

std::shared_ptr<uikit::View> NibLoader::loadFromNib(const std::string& name) {
  auto nib = uikit::Nib::named(name);
  if (!nib) return nullptr;
  auto objects = nib->instantiateWithOwner(nullptr);
  if (objects.empty()) return nullptr;
  return std::dynamic_pointer_cast<uikit::View>(objects.front());
}
