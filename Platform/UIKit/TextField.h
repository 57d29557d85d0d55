// A one-line text field with a delegate, input and accessory views, left and
// right views, and typing that goes through the delegate as a person's
// typing does.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/Keyboard.h"

namespace uikit {

class TextField;

class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(TextField& field) { (void)field; return true; }
  virtual void textFieldDidBeginEditing(TextField& field) { (void)field; }
  virtual bool textFieldShouldEndEditing(TextField& field) { (void)field; return true; }
  virtual void textFieldDidEndEditing(TextField& field) { (void)field; }
  // range in UTF-16 units of the current text.
  virtual bool textFieldShouldChangeCharactersInRangeReplacementString(TextField& field, Range range,
                                                                       const std::string& replacement) {
    (void)field, (void)range, (void)replacement;
    return true;
  }
  virtual bool textFieldShouldReturn(TextField& field) { (void)field; return true; }
  virtual bool textFieldShouldClear(TextField& field) { (void)field; return true; }
};

enum class TextFieldViewMode { kNever, kWhileEditing, kUnlessEditing, kAlways };
enum class TextBorderStyle { kNone, kLine, kBezel, kRoundedRect };
enum class KeyboardType { kDefault, kASCIICapable, kNumbersAndPunctuation, kURL, kNumberPad, kPhonePad, kEmailAddress, kDecimalPad };
enum class ReturnKeyType { kDefault, kGo, kNext, kSearch, kSend, kDone };
// Recorded only: typed text is never changed here.
enum class TextAutocapitalizationType { kNone, kWords, kSentences, kAllCharacters };

inline constexpr const char* kTextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";

class TextField : public Control {
 public:
  TextField();
  explicit TextField(const Rect& frame);

  std::optional<std::string> text() const { return text_; }
  virtual void setText(std::optional<std::string> text);
  std::optional<AttributedString> attributedText() const;
  void setAttributedText(std::optional<AttributedString> text);
  std::optional<std::string> placeholder() const;
  void setPlaceholder(std::optional<std::string> placeholder);
  std::optional<AttributedString> attributedPlaceholder() const { return attributedPlaceholder_; }
  void setAttributedPlaceholder(std::optional<AttributedString> p) { attributedPlaceholder_ = std::move(p); }

  Font font = Font::systemFont(17);
  std::optional<Color> textColor;
  TextAlignment textAlignment = TextAlignment::kNatural;
  TextBorderStyle borderStyle = TextBorderStyle::kNone;
  bool isSecureTextEntry = false;
  KeyboardType keyboardType = KeyboardType::kDefault;
  TextAutocapitalizationType autocapitalizationType = TextAutocapitalizationType::kSentences;
  ReturnKeyType returnKeyType = ReturnKeyType::kDefault;
  KeyboardAppearance keyboardAppearance = KeyboardAppearance::kDefault;
  TextFieldViewMode clearButtonMode = TextFieldViewMode::kNever;

  std::shared_ptr<View> inputView;
  std::shared_ptr<View> inputAccessoryView;
  std::shared_ptr<View> leftView() const { return leftView_; }
  void setLeftView(std::shared_ptr<View> v);
  std::shared_ptr<View> rightView() const { return rightView_; }
  void setRightView(std::shared_ptr<View> v);
  TextFieldViewMode leftViewMode = TextFieldViewMode::kNever;
  TextFieldViewMode rightViewMode = TextFieldViewMode::kNever;

  void setDelegate(const std::shared_ptr<TextFieldDelegate>& d) { delegate_ = d; }
  std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }

  bool isEditing() const { return editing_; }
  // The active input mode; none unless the field is being edited.
  std::optional<std::string> textInputMode() const;
  bool canBecomeFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;

  // A person types text one character at a time; each character is offered
  // to the delegate at the end of the text. Begins editing when needed.
  // Returns the number of characters accepted.
  int typeText(const std::string& text);
  // A paste of text at the end, offered to the delegate as one edit.
  bool paste(const std::string& text);
  // Replaces range (UTF-16 units) after asking the delegate.
  bool replaceRange(Range range, const std::string& replacement);
  bool deleteBackward();
  // The return key.
  bool pressReturn();

  Size intrinsicContentSize() const override;

 private:
  void noteEdited();
  std::optional<std::string> text_;
  std::optional<AttributedString> attributedText_;
  std::optional<AttributedString> attributedPlaceholder_;
  std::shared_ptr<View> leftView_;
  std::shared_ptr<View> rightView_;
  std::weak_ptr<TextFieldDelegate> delegate_;
  bool editing_ = false;
};

}  // namespace uikit
