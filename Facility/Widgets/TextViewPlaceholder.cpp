#include "Facility/Widgets/TextViewPlaceholder.h"

namespace {
constexpr const char* kPlaceholderKey = "textViewPlaceholder";
}

std::shared_ptr<uikit::Label> TextViewPlaceholder::label(const std::shared_ptr<uikit::TextView>& view) {
  if (!view) return nullptr;
  for (const auto& sub : view->subviews()) {
    if (sub->tag() == kLabelTag) {
      if (auto found = std::dynamic_pointer_cast<uikit::Label>(sub)) return found;
    }
  }
  return nullptr;
}

std::optional<std::string> TextViewPlaceholder::placeholder(const std::shared_ptr<uikit::TextView>& view) {
  auto found = label(view);
  return found ? found->text() : std::nullopt;
}

void TextViewPlaceholder::setPlaceholder(const std::shared_ptr<uikit::TextView>& view, std::optional<std::string> text) {
  if (!view) return;
  if (auto found = label(view)) {
    found->setText(std::move(text));
    // A label made empty (colour first) has no height yet; fit it to the text now.
    place(*found, *view);
    return;
  }
  makeLabel(view, std::move(text), uikit::Color::lightGray());
}

std::optional<uikit::Color> TextViewPlaceholder::placeholderColor(const std::shared_ptr<uikit::TextView>& view) {
  auto found = label(view);
  return found ? std::optional<uikit::Color>(found->textColor()) : std::nullopt;
}

void TextViewPlaceholder::setPlaceholderColor(const std::shared_ptr<uikit::TextView>& view,
                                              std::optional<uikit::Color> color) {
  if (!view) return;
  uikit::Color chosen = color.value_or(uikit::Color::black());
  if (auto found = label(view)) {
    found->setTextColor(chosen);
    return;
  }
  makeLabel(view, std::nullopt, chosen);
}

std::shared_ptr<uikit::Label> TextViewPlaceholder::makeLabel(const std::shared_ptr<uikit::TextView>& view,
                                                             std::optional<std::string> text,
                                                             const uikit::Color& color) {
  auto made = uikit::View::make<uikit::Label>();
  made->textAlignment = view->textAlignment;
  made->setNumberOfLines(0);
  made->setTag(kLabelTag);
  made->setText(std::move(text));
  made->setTextColor(color);
  made->sizeToFit();
  made->setHidden(!view->text().empty());
  view->addSubview(made);
  place(*made, *view);

  auto delegate = std::make_shared<TextViewPlaceholder>();
  view->setAssociatedObject(kPlaceholderKey, delegate);
  view->setTextViewDelegate(delegate);
  // The observer holds the view weakly, so it never outlives or pins it;
  // it stays when the view moves, keeping the label right after re-insertion.
  std::weak_ptr<uikit::TextView> weak = view;
  view->addTextObserver([weak](const std::string&) {
    if (auto v = weak.lock()) update(*v);
  });
  return made;
}

void TextViewPlaceholder::place(uikit::Label& label, const uikit::TextView& view) {
  double padding = view.lineFragmentPadding;
  double width = view.bounds().width() - 2 * padding;
  double height = label.sizeThatFits({width, 0}).height;
  label.setFrame(uikit::Rect(padding, view.textContainerInset.top, width, height));
}

void TextViewPlaceholder::update(uikit::TextView& view) {
  for (const auto& sub : view.subviews()) {
    if (sub->tag() == kLabelTag && std::dynamic_pointer_cast<uikit::Label>(sub)) {
      sub->setHidden(!view.text().empty());
      return;
    }
  }
}

void TextViewPlaceholder::textViewDidChange(uikit::TextView& view) { update(view); }
