#include "PhotoPicker/SelectionView.h"

#include <cmath>
#include <string>

#include "PhotoPicker/CheckmarkView.h"
#include "PhotoPicker/NumberView.h"
#include "Platform/UIKit/BezierPath.h"
#include "Platform/UIKit/GraphicsContext.h"

namespace photopicker {

namespace {
// 0.5 - sqrt(2)/4: the square inscribed in the circle.
constexpr double kIconInset = 0.1464466094067262;
}  // namespace

SelectionView::SelectionView() : SelectionView(uikit::Rect()) {}

SelectionView::SelectionView(const uikit::Rect& frame) : uikit::View(frame) {
  setBackgroundColor(uikit::Color::clear());
}

Settings& SelectionView::tree() {
  if (settings) return *settings;
  if (!fallback_) fallback_ = std::make_shared<Settings>();
  return *fallback_;
}

const std::shared_ptr<uikit::View>& SelectionView::icon() {
  if (!icon_) {
    if (tree().theme().selectionStyle() == Settings::Theme::SelectionStyle::kNumbered) {
      icon_ = std::make_shared<NumberView>();
    } else {
      icon_ = std::make_shared<CheckmarkView>();
    }
  }
  return icon_;
}

void SelectionView::setSelectionIndex(std::optional<std::int64_t> index) {
  selectionIndex_ = index;
  auto* number = dynamic_cast<NumberView*>(icon().get());
  if (!number || !index) return;
  number->setText(std::to_string(*index + 1));
  setNeedsDisplay();
}

void SelectionView::drawRect(const uikit::Rect& rect) {
  (void)rect;
  auto& theme = tree().theme();
  auto traits = traitCollection();
  auto* context = uikit::GraphicsContext::current();

  uikit::Rect group = bounds().insetBy(3, 3);
  uikit::Rect circle(group.minX(), group.minY(), std::floor(group.width() + 0.5), std::floor(group.height() + 0.5));
  auto oval = uikit::BezierPath::ovalInRect(circle);
  uikit::Color stroke = theme.selectionStrokeColor().resolvedColor(traits);
  if (context) {
    // The shadow falls under the fill only.
    context->saveGState();
    context->setShadow({0.1, -0.1}, 2.5, theme.selectionShadowColor().resolvedColor(traits));
    context->setFillColor(theme.selectionFillColor().resolvedColor(traits));
    oval.fill();
    context->restoreGState();
    context->setStrokeColor(stroke);
  }
  oval.lineWidth = 1.0;
  oval.stroke();

  const auto& mark = icon();
  mark->setFrame(group.insetBy(group.width() * kIconInset, group.height() * kIconInset));
  mark->setTintColor(stroke);
  mark->drawRect(mark->frame());
}

}  // namespace photopicker
