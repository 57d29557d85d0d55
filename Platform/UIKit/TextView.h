// A multi-line text view with a delegate and text observers.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Keyboard.h"
#include "Platform/UIKit/ScrollView.h"

namespace uikit {

class TextView;

class TextViewDelegate : public ScrollViewDelegate {
 public:
  virtual bool textViewShouldBeginEditing(TextView& view) { (void)view; return true; }
  virtual void textViewDidBeginEditing(TextView& view) { (void)view; }
  virtual bool textViewShouldEndEditing(TextView& view) { (void)view; return true; }
  virtual void textViewDidEndEditing(TextView& view) { (void)view; }
  virtual bool textViewShouldChangeTextInRangeReplacementText(TextView& view, Range range, const std::string& text) {
    (void)view, (void)range, (void)text;
    return true;
  }
  virtual void textViewDidChange(TextView& view) { (void)view; }
};

class TextView : public ScrollView {
 public:
  TextView();

  const std::string& text() const { return text_; }
  // Programmatic change: observers hear it, the delegate does not.
  void setText(const std::string& text);
  std::optional<AttributedString> attributedText() const;
  void setAttributedText(const AttributedString& text);
  Font font = Font::systemFont(12);
  std::optional<Color> textColor;
  TextAlignment textAlignment = TextAlignment::kNatural;
  bool isEditable = true;
  bool isSelectable = true;
  EdgeInsets textContainerInset{8, 0, 8, 0};
  double lineFragmentPadding = 5;
  KeyboardAppearance keyboardAppearance = KeyboardAppearance::kDefault;
  std::shared_ptr<View> inputView;
  std::shared_ptr<View> inputAccessoryView;

  void setTextViewDelegate(const std::shared_ptr<TextViewDelegate>& d) {
    delegate_ = d;
    setDelegate(d);
  }
  std::shared_ptr<TextViewDelegate> textViewDelegate() const { return delegate_.lock(); }

  // Observers of programmatic text changes (key-value observation of "text").
  int addTextObserver(std::function<void(const std::string&)> observer);
  void removeTextObserver(int token);
  std::size_t textObserverCount() const { return observers_.size(); }

  bool canBecomeFirstResponder() const override { return isEditable && isUserInteractionEnabled(); }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  bool isEditing() const { return editing_; }

  // A person types; each character goes through the delegate.
  int typeText(const std::string& text);
  bool replaceRange(Range range, const std::string& replacement);

 private:
  std::string text_;
  std::optional<AttributedString> attributed_;
  std::weak_ptr<TextViewDelegate> delegate_;
  std::map<int, std::function<void(const std::string&)>> observers_;
  int nextToken_ = 1;
  bool editing_ = false;
};

}  // namespace uikit
