#include "Facility/Widgets/GenericTextField.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppFont.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/ViewStyle.h"

void GenericTextField::awakeFromNib() {
  uikit::TextField::awakeFromNib();
  applyStyle();
}

void GenericTextField::applyStyle() {
  auto self = sharedAs<GenericTextField>();
  auto boxed = [&](const char* image, double radius) {
    setBackgroundColor(AppColor::paleGray());
    textColor = AppColor::gray();
    TextFieldDecor::setRightImageNamed(*this, image, 10);
    ViewStyle::setCornerRadius(*this, radius);
  };
  switch (tag()) {
    case 0:
      setBackgroundColor(AppColor::white());
      textColor = AppColor::gray();
      TextFieldDecor::addBottomLine(self);
      break;
    case 1: boxed("ddl_arrow", 5); break;
    case 2: boxed("ic_downArrow", 4); break;
    case 3: boxed("ic_calendar", 4); break;
    default: break;
  }
  AppFont::applyScaledFontLater(*this);
}

void GenericTextField::applyScaledFont() {
  font = AppFont::appScaledFont(font);
  setNeedsDisplay();
}
