// A label for long texts: collapsed it shows at most collapsedNumberOfLines
// lines, the last ending in an ellipsis and a tappable link ("More");
// tapped, it shows the whole text, optionally followed by a link that
// folds it again. Texts are computed when the text is set, from the width
// the label has then.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Label.h"

class FoldingLabel;

class FoldingLabelDelegate {
 public:
  virtual ~FoldingLabelDelegate() = default;
  virtual void willExpandLabel(FoldingLabel& label) = 0;
  virtual void didExpandLabel(FoldingLabel& label) = 0;
  virtual void willCollapseLabel(FoldingLabel& label) = 0;
  virtual void didCollapseLabel(FoldingLabel& label) = 0;
};

class FoldingLabel : public uikit::Label {
 public:
  enum class TextReplacementType { character, word };

  FoldingLabel();
  explicit FoldingLabel(const uikit::Rect& frame);

  std::weak_ptr<FoldingLabelDelegate> delegate;
  bool shouldExpand = true;
  bool shouldCollapse = false;
  std::weak_ptr<uikit::View> animationView;
  TextReplacementType textReplacementType = TextReplacementType::word;
  bool linkHighlighted = false;
  int collapsedNumberOfLines = 0;
  std::optional<uikit::TextAlignment> expandedLinkPosition;

  bool collapsed() const { return collapsed_; }
  void setCollapsed(bool collapsed);

  const uikit::AttributedString& collapsedAttributedLink() const { return collapsedLink_; }
  void setCollapsedAttributedLink(uikit::AttributedString link);
  const std::optional<uikit::AttributedString>& expandedAttributedLink() const { return expandedLink_; }
  const std::optional<uikit::AttributedString>& ellipsis() const { return ellipsis_; }
  void setEllipsis(std::optional<uikit::AttributedString> ellipsis);
  void setExpandedLink(const std::string& link, const uikit::TextAttributes& attributes,
                       std::optional<uikit::TextAlignment> alignment);

  const std::optional<uikit::AttributedString>& collapsedText() const { return collapsedText_; }
  const std::optional<uikit::AttributedString>& expandedText() const { return expandedText_; }
  const std::optional<uikit::Range>& collapsedLinkTextRange() const { return collapsedLinkRange_; }
  const std::optional<uikit::Range>& expandedLinkTextRange() const { return expandedLinkRange_; }

  // Label overrides.
  void setNumberOfLines(int n) override;
  std::optional<std::string> text() const override;
  void setText(std::optional<std::string> text) override;
  std::optional<uikit::AttributedString> attributedText() const override;
  void setAttributedText(std::optional<uikit::AttributedString> text) override;

  // Touches at a point in the label's bounds.
  void touchesBegan(uikit::Point point);
  void touchesMoved(uikit::Point point);
  void touchesCancelled(uikit::Point point);
  void touchesEnded(uikit::Point point);

  // The character of the displayed text under a point; none outside it.
  std::optional<std::size_t> characterIndexAtPoint(uikit::Point point) const;

 private:
  void commonSetup();
  uikit::AttributedString withLabelFont(uikit::AttributedString s) const;
  uikit::AttributedString highlighted(const uikit::AttributedString& link) const;
  uikit::AttributedString collapsedTextOf(const uikit::AttributedString& text, const uikit::AttributedString& link);
  uikit::AttributedString expandedTextOf(const uikit::AttributedString& text,
                                         const std::optional<uikit::AttributedString>& link);
  bool onLink(uikit::Point point, const std::optional<uikit::Range>& range) const;
  void display();

  bool collapsed_ = true;
  uikit::AttributedString collapsedLink_;
  std::optional<uikit::AttributedString> expandedLink_;
  std::optional<uikit::AttributedString> ellipsis_;
  std::optional<uikit::AttributedString> collapsedText_;
  std::optional<uikit::AttributedString> expandedText_;
  std::optional<uikit::Range> collapsedLinkRange_;
  std::optional<uikit::Range> expandedLinkRange_;
};
