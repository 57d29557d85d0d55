#include "PhotoPicker/CheckmarkView.h"

#include "Platform/UIKit/BezierPath.h"

namespace photopicker {

void CheckmarkView::drawRect(const uikit::Rect& rect) {
  (void)rect;
  uikit::BezierPath mark;
  mark.moveToPoint({7, 12.5});
  mark.addLineToPoint({11, 16});
  mark.addLineToPoint({17.5, 9.5});
  mark.stroke();
}

}  // namespace photopicker
