// Plain geometry values in points, as the screens reason about them.
#pragma once

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "Platform/Foundation/Value.h"

namespace uikit {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  Point origin;
  Size size;

  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  Rect(Point o, Size s) : origin(o), size(s) {}

  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  bool intersects(const Rect& o) const {
    return minX() < o.maxX() && o.minX() < maxX() && minY() < o.maxY() && o.minY() < maxY();
  }
  Rect offsetBy(double dx, double dy) const { return Rect(origin.x + dx, origin.y + dy, size.width, size.height); }
  Rect insetBy(double dx, double dy) const {
    return Rect(origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy);
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Range {
  std::size_t location = 0;
  std::size_t length = 0;
  friend bool operator==(const Range&, const Range&) = default;
};

// An affine transform [a b 0; c d 0; tx ty 1], row-vector convention.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static AffineTransform identity() { return {}; }
  static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static AffineTransform rotation(double radians) {
    return {std::cos(radians), std::sin(radians), -std::sin(radians), std::cos(radians), 0, 0};
  }
  bool isIdentity() const { return *this == AffineTransform{}; }
  // this followed by other.
  AffineTransform concat(const AffineTransform& o) const {
    return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c, c * o.b + d * o.d,
            tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
  }
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

inline constexpr double kNoIntrinsicMetric = -1.0;

inline std::ostream& operator<<(std::ostream& o, const Point& p) { return o << "(" << p.x << ", " << p.y << ")"; }
inline std::ostream& operator<<(std::ostream& o, const Size& s) { return o << "(" << s.width << " x " << s.height << ")"; }
inline std::ostream& operator<<(std::ostream& o, const Rect& r) { return o << "[" << r.origin << " " << r.size << "]"; }

// "{{x, y}, {w, h}}", a rectangle as text (dumps, logs).
std::string stringFromRect(const Rect& r);
std::optional<Rect> rectFromString(const std::string& s);
// A rectangle boxed in a value ({"x", "y", "width", "height"}), the form it
// takes in a notification's user info; unboxing anything else gives none.
platform::Value boxRect(const Rect& r);
std::optional<Rect> unboxRect(const platform::Value& v);

}  // namespace uikit
