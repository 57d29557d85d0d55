// The edit menu of a text field (cut, copy, paste over the person's
// selection) and the general pasteboard. Which responder handles a menu
// action is asked of a lookup; an app may replace the lookup for every text
// field at once, the way a class extension overrides it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/Geometry.h"

namespace uikit {

class Responder;
class TextField;

class Pasteboard {
 public:
  static Pasteboard& general();
  std::optional<std::string> string;
  void reset() { string.reset(); }
};

class EditMenu {
 public:
  static constexpr const char* kCut = "cut:";
  static constexpr const char* kCopy = "copy:";
  static constexpr const char* kPaste = "paste:";

  using TargetLookup = std::function<std::shared_ptr<Responder>(TextField& field, const std::string& action)>;

  // Replaces the lookup for all text fields; an empty one restores the
  // standard lookup.
  static void setTextFieldTargetLookup(TargetLookup lookup);
  // The field itself for its edit actions while it is being edited.
  static std::shared_ptr<Responder> standardTargetForAction(TextField& field, const std::string& action);
  static std::shared_ptr<Responder> targetForAction(TextField& field, const std::string& action);

  // Whether the menu offers the action for the selection (UTF-16 units).
  static bool canPerform(TextField& field, const std::string& action, Range selection);
  // A person picks the item. Edits go through the field's delegate; false
  // when the item is not offered or the edit is refused, and then neither
  // the text nor the pasteboard changes.
  static bool cut(TextField& field, Range selection);
  static bool copy(TextField& field, Range selection);
  static bool paste(TextField& field, Range selection);
};

}  // namespace uikit
