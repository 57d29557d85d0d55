#include "Facility/Widgets/ViewStyle.h"

#include <vector>

#include "Facility/Support/AppColor.h"

void ViewStyle::setCornerRadius(uikit::View& view, double radius) {
  view.layer().cornerRadius = radius;
  view.layer().masksToBounds = true;
}

void ViewStyle::setShadow(uikit::View& view, const uikit::Color& color, double offsetWidth, double offsetHeight,
                          float opacity, double radius) {
  auto& layer = view.layer();
  layer.shadowColor = color;
  layer.shadowOffset = uikit::Size{offsetWidth, offsetHeight};
  layer.shadowOpacity = opacity;
  layer.shadowRadius = radius;
}

std::shared_ptr<uikit::ShapeLayer> ViewStyle::addDashedBorder(uikit::View& view, double lineWidth) {
  auto shape = std::make_shared<uikit::ShapeLayer>();
  uikit::Rect bounds = view.bounds();
  shape->setBounds(bounds);
  shape->setPosition({bounds.width() / 2, bounds.height() / 2});
  shape->fillColor = std::nullopt;
  shape->strokeColor = AppColor::gray();
  shape->lineWidth = lineWidth;
  shape->lineJoin = uikit::LineJoin::kRound;
  shape->lineDashPattern = {6, 3};
  shape->path = bounds;
  view.layer().addSublayer(shape);
  return shape;
}

void ViewStyle::removeSubviews(uikit::View& view, long tag) {
  for (const auto& sub : std::vector<uikit::ViewPtr>(view.subviews())) {
    if (sub->tag() == tag) sub->removeFromSuperview();
  }
}
