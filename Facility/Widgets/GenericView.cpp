#include "Facility/Widgets/GenericView.h"

#include "Facility/Support/AppColor.h"

void GenericView::awakeFromNib() {
  uikit::View::awakeFromNib();
  if (tag() == 0) setBackgroundColor(AppColor::midGray());
}
