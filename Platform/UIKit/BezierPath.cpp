#include "Platform/UIKit/BezierPath.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/GraphicsContext.h"

namespace uikit {

BezierPath BezierPath::ovalInRect(const Rect& rect) {
  BezierPath p;
  p.elements_.push_back({PathElement::Kind::kOval, {}, rect});
  return p;
}

BezierPath BezierPath::rect(const Rect& rect) {
  BezierPath p;
  p.elements_.push_back({PathElement::Kind::kRect, {}, rect});
  return p;
}

void BezierPath::moveToPoint(Point p) { elements_.push_back({PathElement::Kind::kMove, p, {}}); }
void BezierPath::addLineToPoint(Point p) { elements_.push_back({PathElement::Kind::kLine, p, {}}); }
void BezierPath::closePath() { elements_.push_back({PathElement::Kind::kClose, {}, {}}); }

std::vector<PathElement> BezierPath::transformedElements(const AffineTransform& t) const {
  std::vector<PathElement> out = elements_;
  for (auto& e : out) {
    e.point = t.apply(e.point);
    if (e.kind == PathElement::Kind::kOval || e.kind == PathElement::Kind::kRect) {
      Point a = t.apply(e.rect.origin);
      Point b = t.apply({e.rect.maxX(), e.rect.maxY()});
      e.rect = Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
    }
  }
  return out;
}

void BezierPath::stroke() const {
  if (auto* c = GraphicsContext::current()) c->strokePath(*this);
}

void BezierPath::fill() const {
  if (auto* c = GraphicsContext::current()) c->fillPath(*this);
}

}  // namespace uikit
