#include "Facility/Screens/FilterIndicator.h"

#include <string>

#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Image.h"

void FilterIndicator::show(const std::shared_ptr<uikit::ImageView>& icon, const std::shared_ptr<uikit::Label>& title,
                           bool filtered) {
  if (icon) icon->setImage(uikit::Image::named(filtered ? kBlueFilter : kGrayFilter));
  if (title) {
    title->setText(std::string(filtered ? "Filtered" : "Filter"));
    title->setFont(uikit::Font::namedOrSystem(filtered ? "Gotham-Medium" : "Gotham-Book", 13));
    title->setTag(filtered ? 9 : 2);
    title->setTextColor(filtered ? AppColor::darkBlue() : AppColor::darkGray());
  }
}

void FilterIndicator::registerImages() {
  uikit::Image::registerNamed(kGrayFilter, uikit::Image::filled({16, 16}, AppColor::darkGray()));
  uikit::Image::registerNamed(kBlueFilter, uikit::Image::filled({16, 16}, AppColor::darkBlue()));
}
