#include "Platform/UIKit/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace uikit {

namespace {
double clamp01(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }
bool near(double x, double y) { return std::fabs(x - y) < 1e-9; }
}  // namespace

Color::Color(double r, double g, double b, double a)
    : r_(clamp01(r)), g_(clamp01(g)), b_(clamp01(b)), a_(clamp01(a)) {}

Color Color::rgb255(double r, double g, double b, double a) { return Color(r / 255.0, g / 255.0, b / 255.0, a); }

Color Color::white(double white, double alpha) { return Color(white, white, white, alpha); }

Color Color::pattern(std::string imageName) {
  Color c(0, 0, 0, 1);
  c.pattern_ = imageName.empty() ? "pattern" : std::move(imageName);
  return c;
}

std::optional<Color::RGBA> Color::rgba() const {
  if (isPattern()) return std::nullopt;
  return RGBA{r_, g_, b_, a_};
}

Color Color::withAlphaComponent(double alpha) const {
  Color c = *this;
  c.a_ = clamp01(alpha);
  if (c.dynamic_) c.da_ = c.a_;
  return c;
}

Color Color::dynamic(const Color& light, const Color& dark) {
  Color c = light.dynamic_ ? Color(light.r_, light.g_, light.b_, light.a_) : light;
  c.dynamic_ = true;
  c.dr_ = dark.r_;
  c.dg_ = dark.g_;
  c.db_ = dark.b_;
  c.da_ = dark.a_;
  return c;
}

Color Color::secondaryLabel() { return dynamic(rgb255(60, 60, 67, 0.6), rgb255(235, 235, 245, 0.6)); }

Color Color::tertiarySystemBackground() { return dynamic(white(), rgb255(44, 44, 46)); }

Color Color::resolvedColor(const TraitCollection& traits) const {
  if (!dynamic_) return *this;
  if (traits.userInterfaceStyle == UserInterfaceStyle::kDark) return Color(dr_, dg_, db_, da_);
  return Color(r_, g_, b_, a_);
}

std::string Color::description() const {
  if (isPattern()) return "pattern(" + pattern_ + ")";
  if (dynamic_) {
    Color light(r_, g_, b_, a_), dark(dr_, dg_, db_, da_);
    return "dynamic(" + light.description() + "," + dark.description() + ")";
  }
  char buf[96];
  std::snprintf(buf, sizeof buf, "rgba(%g,%g,%g,%g)", std::round(r_ * 255 * 1000) / 1000,
                std::round(g_ * 255 * 1000) / 1000, std::round(b_ * 255 * 1000) / 1000,
                std::round(a_ * 1000) / 1000);
  return buf;
}

bool operator==(const Color& x, const Color& y) {
  return x.pattern_ == y.pattern_ && near(x.r_, y.r_) && near(x.g_, y.g_) && near(x.b_, y.b_) && near(x.a_, y.a_) &&
         x.dynamic_ == y.dynamic_ &&
         (!x.dynamic_ || (near(x.dr_, y.dr_) && near(x.dg_, y.dg_) && near(x.db_, y.db_) && near(x.da_, y.da_)));
}

}  // namespace uikit
