#include "Platform/UIKit/GraphicsContext.h"

#include <cmath>

namespace uikit {

void GraphicsContext::saveGState() { saved_.push_back(state_); }

void GraphicsContext::restoreGState() {
  if (saved_.empty()) return;
  state_ = std::move(saved_.back());
  saved_.pop_back();
}

void GraphicsContext::translateBy(double dx, double dy) {
  state_.ctm = AffineTransform::translation(dx, dy).concat(state_.ctm);
}

void GraphicsContext::scaleBy(double sx, double sy) { state_.ctm = AffineTransform::scale(sx, sy).concat(state_.ctm); }

void GraphicsContext::setShadow(Size offset, double blur, std::optional<Color> color) {
  state_.shadow = DrawingShadow{offset, blur, std::move(color)};
}

void GraphicsContext::strokePath(const BezierPath& path) {
  DrawingOperation op;
  op.kind = DrawingOperation::Kind::kStroke;
  op.path = path.transformedElements(state_.ctm);
  op.color = state_.stroke;
  // A line width scales with the transform's area factor (uniform scaling
  // in every use here).
  const auto& m = state_.ctm;
  op.lineWidth = path.lineWidth * std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
  op.shadow = state_.shadow;
  operations_.push_back(std::move(op));
}

void GraphicsContext::fillPath(const BezierPath& path) {
  DrawingOperation op;
  op.kind = DrawingOperation::Kind::kFill;
  op.path = path.transformedElements(state_.ctm);
  op.color = state_.fill;
  op.shadow = state_.shadow;
  operations_.push_back(std::move(op));
}

void GraphicsContext::drawText(const std::string& text, const Rect& rect, const Color& color, double fontSize) {
  DrawingOperation op;
  op.kind = DrawingOperation::Kind::kText;
  op.text = text;
  op.path = BezierPath::rect(rect).transformedElements(state_.ctm);
  op.rect = op.path.front().rect;
  op.path.clear();
  op.color = color;
  op.fontSize = fontSize;
  op.shadow = state_.shadow;
  operations_.push_back(std::move(op));
}

}  // namespace uikit
