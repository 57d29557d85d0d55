// A button: title, attributed title, image and colours per state, with
// the current values following the state (falling back to normal).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/AttributedString.h"
#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/WebImageManager.h"

namespace uikit {

enum class ButtonType { kCustom, kSystem, kDetailDisclosure, kInfoLight, kContactAdd, kClose };

class Button : public Control {
 public:
  explicit Button(ButtonType type = ButtonType::kCustom);
  static std::shared_ptr<Button> withType(ButtonType type) { return std::make_shared<Button>(type); }
  ButtonType buttonType() const { return type_; }

  void setTitle(std::optional<std::string> title, unsigned state = kControlStateNormal);
  std::optional<std::string> titleForState(unsigned state) const;
  std::optional<std::string> currentTitle() const;
  void setAttributedTitle(std::optional<AttributedString> title, unsigned state = kControlStateNormal);
  std::optional<AttributedString> attributedTitleForState(unsigned state) const;
  void setTitleColor(std::optional<Color> color, unsigned state = kControlStateNormal);
  std::optional<Color> titleColorForState(unsigned state) const;
  Color currentTitleColor() const;
  void setImage(ImagePtr image, unsigned state = kControlStateNormal);
  ImagePtr imageForState(unsigned state) const;
  ImagePtr currentImage() const;
  void setBackgroundImage(ImagePtr image, unsigned state = kControlStateNormal);
  ImagePtr backgroundImageForState(unsigned state) const;

  // The label showing the current title (made on first use).
  std::shared_ptr<Label> titleLabel();
  std::shared_ptr<ImageView> imageView();

  EdgeInsets contentEdgeInsets;
  EdgeInsets imageEdgeInsets;
  EdgeInsets titleEdgeInsets;

  void setEnabled(bool enabled) override;
  void setSelected(bool selected) override;
  void setHighlighted(bool highlighted) override;
  Size intrinsicContentSize() const override;

  // Remote image for a state (see WebImageManager).
  void sd_setImageWithURL(const std::string& url, unsigned state, ImagePtr placeholder = nullptr,
                          unsigned options = 0,
                          std::function<void(ImagePtr, const std::string&, const std::string&)> completed = nullptr);
  const std::string& sd_imageURL() const { return imageRequest_.url(); }

 private:
  template <typename T>
  static const T* lookup(const std::map<unsigned, T>& m, unsigned state);
  void refresh();

  ButtonType type_;
  std::map<unsigned, std::optional<std::string>> titles_;
  std::map<unsigned, AttributedString> attributedTitles_;
  std::map<unsigned, Color> titleColors_;
  std::map<unsigned, ImagePtr> images_;
  std::map<unsigned, ImagePtr> backgroundImages_;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<ImageView> imageView_;
  WebImageRequest imageRequest_;
};

}  // namespace uikit
