// Per-field extras, attached on first use. A read-only field refuses the
// edit menu's paste and cut while copy and everything else stay as usual.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/TextField.h"

class UITextFieldAdditions {
 public:
  bool readonly = false;

  // The field's additions, made on first use; they live as long as the field.
  static std::shared_ptr<UITextFieldAdditions> of(uikit::TextField& field);
  // The field's additions when it has any.
  static std::shared_ptr<UITextFieldAdditions> existing(const uikit::TextField& field);

  // The menu target of a field: none for paste and cut while read-only.
  static std::shared_ptr<uikit::Responder> targetForAction(uikit::TextField& field, const std::string& action);
};
