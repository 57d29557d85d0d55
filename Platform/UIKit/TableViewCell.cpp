#include "Platform/UIKit/TableViewCell.h"

namespace uikit {

TableViewCell::TableViewCell() : TableViewCell(TableViewCellStyle::kDefault) {}

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect(0, 0, 320, 44)), reuseIdentifier_(std::move(reuseIdentifier)), style_(style),
      contentView_(std::make_shared<View>(Rect(0, 0, 320, 44))) {}

std::shared_ptr<Label> TableViewCell::textLabel() {
  if (!textLabel_) {
    if (!contentView_->superview()) addSubview(contentView_);
    textLabel_ = std::make_shared<Label>();
    contentView_->addSubview(textLabel_);
  }
  return textLabel_;
}

std::shared_ptr<Label> TableViewCell::detailTextLabel() {
  if (!detailTextLabel_) {
    if (!contentView_->superview()) addSubview(contentView_);
    detailTextLabel_ = std::make_shared<Label>();
    contentView_->addSubview(detailTextLabel_);
  }
  return detailTextLabel_;
}

std::shared_ptr<ImageView> TableViewCell::imageView() {
  if (!imageView_) {
    if (!contentView_->superview()) addSubview(contentView_);
    imageView_ = std::make_shared<ImageView>();
    contentView_->addSubview(imageView_);
  }
  return imageView_;
}

void TableViewCell::didMoveToSuperview() {
  if (!contentView_->superview()) insertSubview(contentView_, 0);
}

void TableViewCell::layoutSubviews() {
  if (contentView_->superview().get() == this) contentView_->setFrame(bounds());
  View::layoutSubviews();
}

void TableViewCell::setSelected(bool selected, bool animated) {
  (void)animated;
  selected_ = selected;
}

void TableViewCell::setHighlighted(bool highlighted, bool animated) {
  (void)animated;
  highlighted_ = highlighted;
}

}  // namespace uikit
