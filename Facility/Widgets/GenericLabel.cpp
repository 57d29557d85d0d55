#include "Facility/Widgets/GenericLabel.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Log.h"

void GenericLabel::awakeFromNib() {
  uikit::Label::awakeFromNib();
  applyStyle();
}

void GenericLabel::applyStyle() {
  switch (tag()) {
    case 0: setTextColor(AppColor::maroon()); break;
    case 1: setTextColor(AppColor::orange()); break;
    case 2: setTextColor(AppColor::gray()); break;
    case 3: setTextColor(AppColor::green()); break;
    case 4: setTextColor(AppColor::red()); break;
    case 5: setTextColor(AppColor::black()); break;
    case 6:
      setTextColor(AppColor::white());
      setBackgroundColor(AppColor::green());
      break;
    case 7: setTextColor(AppColor::white()); break;
    case 8:
      // A pill: the radius is taken from the height now and kept.
      setTextColor(AppColor::green());
      ViewStyle::setBorderColor(*this, AppColor::green());
      ViewStyle::setBorderWidth(*this, 1.2);
      layer().cornerRadius = bounds().height() / 2;
      setClipsToBounds(true);
      setBackgroundColor(AppColor::white());
      textAlignment = uikit::TextAlignment::kCenter;
      break;
    default:
      platform::LogInfo("Default case...");
      break;
  }
  AppFont::applyScaledFontLater(*this);
}

void GenericLabel::applyScaledFont() {
  setFont(AppFont::appScaledFont(font()));
  setNeedsDisplay();
}
