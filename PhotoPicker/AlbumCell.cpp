#include "PhotoPicker/AlbumCell.h"

#include "Platform/UIKit/LayoutConstraint.h"

namespace photopicker {

AlbumCell::AlbumCell()
    : uikit::TableViewCell(uikit::TableViewCellStyle::kDefault, kIdentifier),
      albumImageView_(std::make_shared<uikit::ImageView>()),
      albumTitleLabel_(std::make_shared<uikit::Label>()) {
  auto content = contentView();
  content->setBackgroundColor(uikit::Color::clear());
  setBackgroundColor(uikit::Color::clear());
  selectionStyle = uikit::TableViewCellSelectionStyle::kNone;

  albumImageView_->setTranslatesAutoresizingMaskIntoConstraints(false);
  albumImageView_->setContentMode(uikit::ContentMode::kScaleAspectFill);
  albumImageView_->setClipsToBounds(true);
  content->addSubview(albumImageView_);

  albumTitleLabel_->setTranslatesAutoresizingMaskIntoConstraints(false);
  albumTitleLabel_->setNumberOfLines(0);
  content->addSubview(albumTitleLabel_);

  uikit::LayoutConstraint::activate({
      albumImageView_->topAnchor().constraintEqualToAnchor(content->topAnchor(), kMargin),
      albumImageView_->bottomAnchor().constraintEqualToAnchor(content->bottomAnchor(), -kMargin),
      albumImageView_->heightAnchor().constraintEqualToConstant(kImageSide),
      albumImageView_->widthAnchor().constraintEqualToConstant(kImageSide),
      albumImageView_->leadingAnchor().constraintEqualToAnchor(content->leadingAnchor(), kMargin),
      albumTitleLabel_->leadingAnchor().constraintEqualToAnchor(albumImageView_->trailingAnchor(), kMargin),
      albumTitleLabel_->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor(), -kMargin),
      albumTitleLabel_->topAnchor().constraintEqualToAnchor(content->topAnchor()),
      albumTitleLabel_->bottomAnchor().constraintEqualToAnchor(content->bottomAnchor()),
  });
}

void AlbumCell::setSelected(bool selected, bool animated) {
  uikit::TableViewCell::setSelected(selected, animated);
  accessoryType = selected ? uikit::TableViewCellAccessoryType::kCheckmark : uikit::TableViewCellAccessoryType::kNone;
}

void AlbumCell::prepareForReuse() {
  uikit::TableViewCell::prepareForReuse();
  albumImageView_->setImage(nullptr);
  albumTitleLabel_->setText(std::nullopt);
}

}  // namespace photopicker
