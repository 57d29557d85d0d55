// The placeholder of a multi-line text view: a label (tag 100) laid over the
// text area and shown only while the text is empty. Once made, the text view
// is its own delegate, so typed and programmatic changes both reach it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TextView.h"

class TextViewPlaceholder : public uikit::TextViewDelegate {
 public:
  static constexpr long kLabelTag = 100;

  static std::optional<std::string> placeholder(const std::shared_ptr<uikit::TextView>& view);
  static void setPlaceholder(const std::shared_ptr<uikit::TextView>& view, std::optional<std::string> text);
  static std::optional<uikit::Color> placeholderColor(const std::shared_ptr<uikit::TextView>& view);
  static void setPlaceholderColor(const std::shared_ptr<uikit::TextView>& view, std::optional<uikit::Color> color);
  // The tag-100 label, if any.
  static std::shared_ptr<uikit::Label> label(const std::shared_ptr<uikit::TextView>& view);

  void textViewDidChange(uikit::TextView& view) override;

 private:
  static std::shared_ptr<uikit::Label> makeLabel(const std::shared_ptr<uikit::TextView>& view,
                                                 std::optional<std::string> text, const uikit::Color& color);
  static void place(uikit::Label& label, const uikit::TextView& view);
  static void update(uikit::TextView& view);
};
