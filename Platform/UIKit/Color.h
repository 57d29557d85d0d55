// An RGBA colour with components on 0...1, compared by value. A dynamic
// colour has a second set of components for dark appearance; read without a
// trait collection it gives its light components.
#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/TraitCollection.h"

namespace uikit {

class Color {
 public:
  struct RGBA {
    double red, green, blue, alpha;
  };

  Color() = default;  // fully transparent black, i.e. "clear"
  Color(double r, double g, double b, double a = 1.0);
  // Components on a 0-255 scale, alpha on 0...1.
  static Color rgb255(double r, double g, double b, double a = 1.0);
  static Color white(double white, double alpha);
  // A colour that cannot be read back as RGBA (like a pattern image colour).
  static Color pattern(std::string imageName);

  static Color clear() { return Color(0, 0, 0, 0); }
  static Color black() { return Color(0, 0, 0, 1); }
  static Color white() { return Color(1, 1, 1, 1); }
  static Color systemRed() { return rgb255(255, 59, 48); }
  static Color systemBlue() { return rgb255(0, 122, 255); }
  static Color lightGray() { return Color(2.0 / 3, 2.0 / 3, 2.0 / 3, 1); }
  static Color gray() { return Color(0.5, 0.5, 0.5, 1); }
  static Color darkGray() { return Color(1.0 / 3, 1.0 / 3, 1.0 / 3, 1); }
  // Dynamic system colours: light, then dark components.
  static Color dynamic(const Color& light, const Color& dark);
  static Color label() { return dynamic(black(), white()); }
  static Color secondaryLabel();
  static Color systemBackground() { return dynamic(white(), black()); }
  static Color tertiarySystemBackground();

  bool isDynamic() const { return dynamic_; }
  // The components for the traits' appearance (dark only when dark).
  Color resolvedColor(const TraitCollection& traits) const;

  // The component read-out; none for a pattern colour.
  std::optional<RGBA> rgba() const;
  double alpha() const { return a_; }
  Color withAlphaComponent(double alpha) const;
  bool isPattern() const { return !pattern_.empty(); }

  // "rgba(0,73,118,1)" on the 0-255 scale, for dumps.
  std::string description() const;

  friend bool operator==(const Color& x, const Color& y);

 private:
  double r_ = 0, g_ = 0, b_ = 0, a_ = 0;
  std::string pattern_;
  bool dynamic_ = false;
  double dr_ = 0, dg_ = 0, db_ = 0, da_ = 0;
};

}  // namespace uikit
