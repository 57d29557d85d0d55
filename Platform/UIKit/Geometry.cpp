#include "Platform/UIKit/Geometry.h"

#include <cstdio>

namespace uikit {

namespace {
std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}
}  // namespace

std::string stringFromRect(const Rect& r) {
  return "{{" + num(r.x()) + ", " + num(r.y()) + "}, {" + num(r.width()) + ", " + num(r.height()) + "}}";
}

std::optional<Rect> rectFromString(const std::string& s) {
  double x, y, w, h;
  char tail;
  if (std::sscanf(s.c_str(), " {{%lf , %lf }, {%lf , %lf }}%c", &x, &y, &w, &h, &tail) == 4) {
    return Rect(x, y, w, h);
  }
  return std::nullopt;
}

platform::Value boxRect(const Rect& r) {
  platform::Value::Dictionary d;
  d["x"] = r.x();
  d["y"] = r.y();
  d["width"] = r.width();
  d["height"] = r.height();
  return platform::Value(std::move(d));
}

std::optional<Rect> unboxRect(const platform::Value& v) {
  if (!v.isDictionary()) return std::nullopt;
  double parts[4];
  const char* keys[4] = {"x", "y", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    const platform::Value* p = v.find(keys[i]);
    if (!p) return std::nullopt;
    auto d = p->numberAsDouble();
    if (!d) return std::nullopt;
    parts[i] = *d;
  }
  return Rect(parts[0], parts[1], parts[2], parts[3]);
}

}  // namespace uikit
