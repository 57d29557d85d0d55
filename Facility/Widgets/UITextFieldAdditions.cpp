#include "Facility/Widgets/UITextFieldAdditions.h"

#include "Platform/UIKit/EditMenu.h"

namespace {
constexpr const char* kAdditionsKey = "UITextFieldAdditions";

// Only a field with additions can be read-only, so the lookup needs to be
// in place once the first additions exist.
void installTargetLookup() {
  static const bool installed = [] {
    uikit::EditMenu::setTextFieldTargetLookup(&UITextFieldAdditions::targetForAction);
    return true;
  }();
  (void)installed;
}
}  // namespace

std::shared_ptr<UITextFieldAdditions> UITextFieldAdditions::of(uikit::TextField& field) {
  if (auto found = existing(field)) return found;
  installTargetLookup();
  auto made = std::make_shared<UITextFieldAdditions>();
  field.setAssociatedObject(kAdditionsKey, made);
  return made;
}

std::shared_ptr<UITextFieldAdditions> UITextFieldAdditions::existing(const uikit::TextField& field) {
  const auto* found = field.associated<std::shared_ptr<UITextFieldAdditions>>(kAdditionsKey);
  return found ? *found : nullptr;
}

std::shared_ptr<uikit::Responder> UITextFieldAdditions::targetForAction(uikit::TextField& field,
                                                                        const std::string& action) {
  if (action == uikit::EditMenu::kPaste || action == uikit::EditMenu::kCut) {
    auto additions = existing(field);
    if (additions && additions->readonly) return nullptr;
  }
  return uikit::EditMenu::standardTargetForAction(field, action);
}
