// A path of lines and ovals kept as data, stroked or filled into the current
// graphics context (see GraphicsContext).
#pragma once

#include <vector>

#include "Platform/UIKit/Geometry.h"

namespace uikit {

struct PathElement {
  enum class Kind { kMove, kLine, kClose, kOval, kRect };
  Kind kind = Kind::kMove;
  Point point;  // kMove, kLine
  Rect rect;    // kOval, kRect
  friend bool operator==(const PathElement&, const PathElement&) = default;
};

class BezierPath {
 public:
  BezierPath() = default;
  static BezierPath ovalInRect(const Rect& rect);
  static BezierPath rect(const Rect& rect);

  void moveToPoint(Point p);
  void addLineToPoint(Point p);
  void closePath();

  double lineWidth = 1.0;
  const std::vector<PathElement>& elements() const { return elements_; }
  bool isEmpty() const { return elements_.empty(); }
  // The elements mapped through t (rectangles by their corners: no rotation
  // is drawn anywhere).
  std::vector<PathElement> transformedElements(const AffineTransform& t) const;

  // Into the current context with its stroke or fill colour; nothing without
  // a context.
  void stroke() const;
  void fill() const;

 private:
  std::vector<PathElement> elements_;
};

}  // namespace uikit
