#include "Platform/UIKit/Button.h"

#include <algorithm>

#include "Platform/UIKit/WebImageManager.h"

namespace uikit {

Button::Button(ButtonType type) : type_(type) {
  if (type == ButtonType::kSystem) titleColors_[kControlStateNormal] = Color::systemBlue();
}

template <typename T>
const T* Button::lookup(const std::map<unsigned, T>& m, unsigned state) {
  auto it = m.find(state);
  if (it != m.end()) return &it->second;
  if (state & kControlStateSelected) {
    it = m.find(kControlStateSelected);
    if (it != m.end()) return &it->second;
  }
  if (state & kControlStateDisabled) {
    it = m.find(kControlStateDisabled);
    if (it != m.end()) return &it->second;
  }
  it = m.find(kControlStateNormal);
  return it == m.end() ? nullptr : &it->second;
}

void Button::setTitle(std::optional<std::string> title, unsigned state) {
  titles_[state] = std::move(title);
  refresh();
}

std::optional<std::string> Button::titleForState(unsigned state) const {
  if (auto a = lookup(attributedTitles_, state)) return a->string();
  auto t = lookup(titles_, state);
  return t ? *t : std::nullopt;
}

std::optional<std::string> Button::currentTitle() const { return titleForState(state()); }

void Button::setAttributedTitle(std::optional<AttributedString> title, unsigned state) {
  if (title) {
    attributedTitles_[state] = std::move(*title);
  } else {
    attributedTitles_.erase(state);
  }
  refresh();
}

std::optional<AttributedString> Button::attributedTitleForState(unsigned state) const {
  auto a = lookup(attributedTitles_, state);
  return a ? std::optional<AttributedString>(*a) : std::nullopt;
}

void Button::setTitleColor(std::optional<Color> color, unsigned state) {
  if (color) {
    titleColors_[state] = *color;
  } else {
    titleColors_.erase(state);
  }
  refresh();
}

std::optional<Color> Button::titleColorForState(unsigned state) const {
  auto c = lookup(titleColors_, state);
  return c ? std::optional<Color>(*c) : std::nullopt;
}

Color Button::currentTitleColor() const { return titleColorForState(state()).value_or(Color::white()); }

void Button::setImage(ImagePtr image, unsigned state) {
  if (image) {
    images_[state] = std::move(image);
  } else {
    images_.erase(state);
  }
  refresh();
}

ImagePtr Button::imageForState(unsigned state) const {
  auto i = lookup(images_, state);
  return i ? *i : nullptr;
}

ImagePtr Button::currentImage() const { return imageForState(state()); }

void Button::setBackgroundImage(ImagePtr image, unsigned state) {
  if (image) {
    backgroundImages_[state] = std::move(image);
  } else {
    backgroundImages_.erase(state);
  }
}

ImagePtr Button::backgroundImageForState(unsigned state) const {
  auto i = lookup(backgroundImages_, state);
  return i ? *i : nullptr;
}

std::shared_ptr<Label> Button::titleLabel() {
  if (!titleLabel_) {
    titleLabel_ = std::make_shared<Label>();
    titleLabel_->setFont(Font::systemFont(type_ == ButtonType::kSystem ? 15 : 18,
                                          type_ == ButtonType::kSystem ? FontWeight::kMedium : FontWeight::kRegular));
    addSubview(titleLabel_);
    refresh();
  }
  return titleLabel_;
}

std::shared_ptr<ImageView> Button::imageView() {
  if (!imageView_) {
    imageView_ = std::make_shared<ImageView>();
    addSubview(imageView_);
    refresh();
  }
  return imageView_;
}

void Button::refresh() {
  if (titleLabel_) {
    if (auto a = lookup(attributedTitles_, state())) {
      titleLabel_->setAttributedText(*a);
    } else {
      titleLabel_->setText(currentTitle());
    }
    titleLabel_->setTextColor(currentTitleColor());
  }
  if (imageView_) imageView_->setImage(currentImage());
  invalidateIntrinsicContentSize();
}

void Button::setEnabled(bool enabled) {
  Control::setEnabled(enabled);
  refresh();
}

void Button::setSelected(bool selected) {
  Control::setSelected(selected);
  refresh();
}

void Button::setHighlighted(bool highlighted) {
  Control::setHighlighted(highlighted);
  refresh();
}

Size Button::intrinsicContentSize() const {
  Size text{0, 0};
  if (auto t = currentTitle(); t && !t->empty()) {
    Font f = titleLabel_ ? titleLabel_->font() : Font::systemFont(18);
    text = f.sizeOfText(*t, 0);
    text.width += titleEdgeInsets.left + titleEdgeInsets.right;
  }
  Size image{0, 0};
  if (auto i = currentImage()) {
    image = i->size();
    image.width += imageEdgeInsets.left + imageEdgeInsets.right;
  }
  double w = text.width + image.width + contentEdgeInsets.left + contentEdgeInsets.right;
  double h = std::max(text.height, image.height) + contentEdgeInsets.top + contentEdgeInsets.bottom;
  if (type_ == ButtonType::kSystem) h = std::max(h, 30.0);
  return {w, h};
}

void Button::sd_setImageWithURL(const std::string& url, unsigned state, ImagePtr placeholder, unsigned options,
                                std::function<void(ImagePtr, const std::string&, const std::string&)> completed) {
  (void)options;
  setImage(std::move(placeholder), state);
  WebImageManager::shared().loadForView(
      weak_from_this(), imageRequest_, url, [this, state](ImagePtr image) { setImage(std::move(image), state); },
      std::move(completed));
}

}  // namespace uikit
