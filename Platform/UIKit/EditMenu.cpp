#include "Platform/UIKit/EditMenu.h"

#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/Utf16.h"

namespace uikit {

namespace {
EditMenu::TargetLookup& lookupSlot() {
  static EditMenu::TargetLookup lookup;
  return lookup;
}

bool isEditAction(const std::string& action) {
  return action == EditMenu::kCut || action == EditMenu::kCopy || action == EditMenu::kPaste;
}

// The selection inside the text, or none when it reaches past the end.
std::optional<std::u16string> selectedText(const TextField& field, Range selection) {
  std::u16string text = Utf16::fromUtf8(field.text().value_or(""));
  if (selection.location > text.size() || selection.length > text.size() - selection.location) return std::nullopt;
  return text.substr(selection.location, selection.length);
}
}  // namespace

Pasteboard& Pasteboard::general() {
  static Pasteboard board;
  return board;
}

void EditMenu::setTextFieldTargetLookup(TargetLookup lookup) { lookupSlot() = std::move(lookup); }

std::shared_ptr<Responder> EditMenu::standardTargetForAction(TextField& field, const std::string& action) {
  if (!isEditAction(action) || !field.isEditing()) return nullptr;
  return field.sharedAs<Responder>();
}

std::shared_ptr<Responder> EditMenu::targetForAction(TextField& field, const std::string& action) {
  if (const auto& lookup = lookupSlot()) return lookup(field, action);
  return standardTargetForAction(field, action);
}

bool EditMenu::canPerform(TextField& field, const std::string& action, Range selection) {
  auto target = targetForAction(field, action);
  if (!target || target.get() != &field) return false;
  auto selected = selectedText(field, selection);
  if (!selected) return false;
  if (action == kPaste) return Pasteboard::general().string.has_value();
  return !selected->empty();
}

bool EditMenu::cut(TextField& field, Range selection) {
  if (!canPerform(field, kCut, selection)) return false;
  std::string removed = Utf16::toUtf8(*selectedText(field, selection));
  if (!field.replaceRange(selection, "")) return false;
  Pasteboard::general().string = removed;
  return true;
}

bool EditMenu::copy(TextField& field, Range selection) {
  if (!canPerform(field, kCopy, selection)) return false;
  Pasteboard::general().string = Utf16::toUtf8(*selectedText(field, selection));
  return true;
}

bool EditMenu::paste(TextField& field, Range selection) {
  if (!canPerform(field, kPaste, selection)) return false;
  return field.replaceRange(selection, *Pasteboard::general().string);
}

}  // namespace uikit
