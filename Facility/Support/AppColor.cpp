#include "Facility/Support/AppColor.h"

#define APP_COLOR(name, r, g, b)                              \
  const uikit::Color& AppColor::name() {                      \
    static const uikit::Color c = uikit::Color::rgb255(r, g, b); \
    return c;                                                 \
  }

APP_COLOR(black, 0, 0, 0)
APP_COLOR(white, 255, 255, 255)
APP_COLOR(gray93, 93, 93, 93)
APP_COLOR(gray190, 190, 190, 190)
APP_COLOR(green, 93, 194, 65)
APP_COLOR(darkBlue, 0, 73, 118)
APP_COLOR(red, 255, 52, 52)
APP_COLOR(orange, 239, 127, 26)
APP_COLOR(maroon, 81, 24, 39)
APP_COLOR(gray112, 112, 112, 112)
APP_COLOR(gray237, 237, 237, 237)
APP_COLOR(lightGray, 204, 204, 204)
APP_COLOR(lightBlue, 229, 244, 255)
APP_COLOR(gray180, 180, 180, 180)

#undef APP_COLOR

const uikit::Color& AppColor::clear() {
  static const uikit::Color c = uikit::Color::clear();
  return c;
}
