#include "PhotoPicker/ArrowView.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/BezierPath.h"
#include "Platform/UIKit/GraphicsContext.h"
#include "Platform/UIKit/GraphicsImageContext.h"
#include "Platform/UIKit/GraphicsImageRenderer.h"

namespace photopicker {

uikit::Rect ArrowView::apply(ResizingBehavior behavior, const uikit::Rect& design, const uikit::Rect& target) {
  if (design == target || target == uikit::Rect()) return design;
  double sx = std::fabs(target.width() / design.width());
  double sy = std::fabs(target.height() / design.height());
  switch (behavior) {
    case ResizingBehavior::kAspectFit:
      sx = sy = std::min(sx, sy);
      break;
    case ResizingBehavior::kAspectFill:
      sx = sy = std::max(sx, sy);
      break;
    case ResizingBehavior::kStretch:
      break;
    case ResizingBehavior::kCenter:
      sx = sy = 1.0;
      break;
  }
  double w = std::fabs(design.width()) * sx;
  double h = std::fabs(design.height()) * sy;
  return uikit::Rect(target.minX() + (target.width() - w) / 2, target.minY() + (target.height() - h) / 2, w, h);
}

ArrowView::ArrowView() : ArrowView(uikit::Rect()) {}

ArrowView::ArrowView(const uikit::Rect& frame)
    : uikit::View(frame), strokeColor(uikit::Color::dynamic(uikit::Color::black(), uikit::Color::white())) {}

uikit::ImagePtr ArrowView::renderedImage() const {
  return uikit::GraphicsImageRenderer(bounds()).image(
      [this](uikit::GraphicsContext&) { uikit::GraphicsImageContext::renderLayer(layer()); });
}

void ArrowView::drawRect(const uikit::Rect& rect) { drawArrow(rect); }

void ArrowView::drawArrow(const uikit::Rect& target) const {
  auto* context = uikit::GraphicsContext::current();
  if (!context) return;
  context->saveGState();
  uikit::Rect frame = apply(resizing, uikit::Rect(0, 0, 8, 8), target);
  context->translateBy(frame.minX(), frame.minY());
  context->scaleBy(frame.width() * 0.125, frame.height() * 0.125);
  uikit::BezierPath chevron;
  chevron.moveToPoint({0, 2});
  chevron.addLineToPoint({4, 6});
  chevron.addLineToPoint({8, 2});
  context->setStrokeColor(strokeColor.resolvedColor(traitCollection()));
  context->setFillColor(uikit::Color::white());
  chevron.lineWidth = 2;
  chevron.stroke();
  context->restoreGState();
}

}  // namespace photopicker
