#include "Facility/Widgets/GenericButton.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/ControlState.h"

void GenericButton::awakeFromNib() {
  uikit::Button::awakeFromNib();
  applyStyle();
}

void GenericButton::applyStyle() {
  using uikit::kControlStateNormal;
  using uikit::kControlStateSelected;
  switch (tag()) {
    case -1:
      setBackgroundColor(AppColor::green());
      setTitleColor(AppColor::white(), kControlStateNormal);
      ViewStyle::setCornerRadius(*this, 7);
      ViewStyle::setShadow(*this, AppColor::black(), 1, 2, 0.4f, 3);
      break;
    case 0:
      setBackgroundColor(AppColor::white());
      setTitleColor(AppColor::maroon(), kControlStateNormal);
      ViewStyle::setCornerRadius(*this, 7);
      break;
    case 1:
      setBackgroundColor(AppColor::clear());
      setTitleColor(AppColor::white(), kControlStateNormal);
      break;
    case 2:
      setBackgroundColor(AppColor::orange());
      setTitleColor(AppColor::white(), kControlStateNormal);
      ViewStyle::setCornerRadius(*this, 5);
      break;
    case 3:
      setTitleColor(AppColor::gray(), kControlStateNormal);
      setTitleColor(AppColor::white(), kControlStateSelected);
      break;
    case 4:
      setBackgroundColor(AppColor::gray());
      setTitleColor(AppColor::white(), kControlStateSelected);
      imageEdgeInsets = uikit::EdgeInsets{0, 0, 0, 5};
      titleEdgeInsets = uikit::EdgeInsets{0, 5, 0, 0};
      break;
    case 5:
      setBackgroundColor(AppColor::clear());
      setTitleColor(AppColor::black(), kControlStateNormal);
      setTitleColor(AppColor::green(), kControlStateSelected);
      break;
    case 6:
      setTitleColor(AppColor::black(), kControlStateNormal);
      break;
    case 7:
      setBackgroundColor(AppColor::clear());
      setTitleColor(AppColor::gray(), kControlStateNormal);
      setImage(uikit::Image::named("v_checkboxdeselected"), kControlStateNormal);
      setImage(uikit::Image::named("v_checkboxselected"), kControlStateSelected);
      contentHorizontalAlignment = uikit::ContentHorizontalAlignment::kLeft;
      imageEdgeInsets = uikit::EdgeInsets{0, 10, 0, 5};
      titleEdgeInsets = uikit::EdgeInsets{0, 25, 0, 0};
      break;
    case 8:
      setBackgroundColor(AppColor::green());
      setTitleColor(AppColor::white(), kControlStateNormal);
      ViewStyle::setCornerRadius(*this, 4);
      break;
    case 9:
      setBackgroundColor(AppColor::green());
      setTitleColor(AppColor::white(), kControlStateNormal);
      break;
    case 10:
      setBackgroundColor(AppColor::white());
      setTitleColor(AppColor::green(), kControlStateNormal);
      ViewStyle::setCornerRadius(*this, 6);
      ViewStyle::setBorderColor(*this, AppColor::green());
      ViewStyle::setBorderWidth(*this, 1);
      break;
    default:
      platform::LogInfo("Default case...");
      break;
  }
  AppFont::applyScaledFontLater(*this);
}

void GenericButton::applyScaledFont() {
  if (auto label = titleLabel()) label->setFont(AppFont::appScaledFont(label->font()));
}
