#include "Facility/Widgets/SimpleTextField.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/ViewStyle.h"

void SimpleTextField::awakeFromNib() {
  uikit::TextField::awakeFromNib();
  applyStyle();
}

void SimpleTextField::applyStyle() {
  long t = tag();
  if (t >= 0 && t <= 2) {
    setLeftView(uikit::View::make(uikit::Rect(0, 0, 15, frame().height())));
    leftViewMode = uikit::TextFieldViewMode::kAlways;
  }
  switch (t) {
    case 0:
      setBackgroundColor(AppColor::paleGray());
      textColor = AppColor::gray();
      TextFieldDecor::setRightImageNamed(*this, "ddl_saffron", 10);
      ViewStyle::setCornerRadius(*this, 5);
      break;
    case 1:
      setBackgroundColor(AppColor::white());
      textColor = AppColor::black();
      ViewStyle::setBorderColor(*this, AppColor::gray());
      ViewStyle::setBorderWidth(*this, 1);
      break;
    case 2:
      setBackgroundColor(AppColor::white());
      textColor = AppColor::black();
      ViewStyle::setBorderColor(*this, AppColor::gray());
      ViewStyle::setBorderWidth(*this, 1);
      TextFieldDecor::setRightImageNamed(*this, "ddl_green", 10);
      ViewStyle::setCornerRadius(*this, 5);
      break;
    default:
      break;
  }
  AppFont::applyScaledFontLater(*this);
}

void SimpleTextField::applyScaledFont() {
  font = AppFont::appScaledFont(font);
  setNeedsDisplay();
}
