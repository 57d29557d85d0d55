#include "Facility/Widgets/TextFieldDecor.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/ImageView.h"

void TextFieldDecor::setRightImageNamed(uikit::TextField& field, const std::string& imageName, double width) {
  double height = field.frame().height();
  auto container = uikit::View::make(uikit::Rect(0, 0, width + 25, height));
  auto imageView = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, 15, 15));
  imageView->setImage(uikit::Image::named(imageName));
  imageView->setContentMode(uikit::ContentMode::kScaleAspectFit);
  imageView->setCenter({(width + 25) / 2, height / 2});
  container->addSubview(imageView);
  container->setClipsToBounds(true);
  field.setRightView(container);
  field.rightViewMode = uikit::TextFieldViewMode::kAlways;
}

void TextFieldDecor::setRightImageView(uikit::TextField& field, uikit::ImagePtr image, double width, double height,
                                       double inset) {
  auto container = uikit::View::make(uikit::Rect(-inset, 0, width + inset, height));
  auto imageView = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, width + inset, height));
  imageView->setImage(std::move(image));
  imageView->setContentMode(uikit::ContentMode::kScaleAspectFit);
  imageView->setCenter({(width + inset) / 2, height / 2});
  container->addSubview(imageView);
  field.setRightView(container);
  field.rightViewMode = uikit::TextFieldViewMode::kAlways;
}

std::shared_ptr<uikit::View> TextFieldDecor::addBottomLine(const std::shared_ptr<uikit::TextField>& field) {
  ViewStyle::removeSubviews(*field, kBottomLineTag);
  auto line = uikit::View::make();
  line->setTag(kBottomLineTag);
  line->setBackgroundColor(AppColor::gray());
  line->setTranslatesAutoresizingMaskIntoConstraints(false);
  field->addSubview(line);
  uikit::LayoutConstraint::activate({
      line->leadingAnchor().constraintEqualToAnchor(field->leadingAnchor()),
      line->trailingAnchor().constraintEqualToAnchor(field->trailingAnchor()),
      line->bottomAnchor().constraintEqualToAnchor(field->bottomAnchor()),
      line->heightAnchor().constraintEqualToConstant(0.8),
  });
  return line;
}

void TextFieldDecor::setPlaceholderColor(uikit::TextField& field, const std::optional<uikit::Color>& color) {
  if (!color) return;
  uikit::TextAttributes attributes;
  attributes.foregroundColor = *color;
  field.setAttributedPlaceholder(uikit::AttributedString(field.placeholder().value_or(""), attributes));
}
