#include "Platform/UIKit/CollectionViewCell.h"

namespace uikit {

CollectionViewCell::CollectionViewCell() : CollectionViewCell(Rect(0, 0, 50, 50)) {}

CollectionViewCell::CollectionViewCell(const Rect& frame)
    : View(frame), contentView_(std::make_shared<View>(Rect(0, 0, frame.width(), frame.height()))) {}

void CollectionViewCell::didMoveToSuperview() {
  if (!contentView_->superview()) insertSubview(contentView_, 0);
}

void CollectionViewCell::layoutSubviews() {
  if (contentView_->superview().get() == this) contentView_->setFrame(bounds());
  View::layoutSubviews();
}

}  // namespace uikit
