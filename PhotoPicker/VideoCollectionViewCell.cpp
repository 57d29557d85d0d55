#include "PhotoPicker/VideoCollectionViewCell.h"

#include "Platform/UIKit/LayoutConstraint.h"

namespace photopicker {

VideoCollectionViewCell::VideoCollectionViewCell()
    : gradientView_(std::make_shared<GradientView>()), durationLabel_(std::make_shared<uikit::Label>()) {
  auto image = imageView();
  gradientView_->setTranslatesAutoresizingMaskIntoConstraints(false);
  image->addSubview(gradientView_);
  gradientView_->setColors(std::vector<uikit::Color>{uikit::Color::clear(), uikit::Color::black()});
  gradientView_->gradientLayer().locations = {0.0, 0.7};

  durationLabel_->setTranslatesAutoresizingMaskIntoConstraints(false);
  durationLabel_->textAlignment = uikit::TextAlignment::kRight;
  durationLabel_->setTextColor(uikit::Color::white());
  durationLabel_->setFont(uikit::Font::boldSystemFont(12));
  durationLabel_->setText("0:03");
  gradientView_->addSubview(durationLabel_);

  uikit::LayoutConstraint::activate({
      gradientView_->heightAnchor().constraintEqualToConstant(kGradientHeight),
      gradientView_->leadingAnchor().constraintEqualToAnchor(image->leadingAnchor()),
      gradientView_->trailingAnchor().constraintEqualToAnchor(image->trailingAnchor()),
      gradientView_->bottomAnchor().constraintEqualToAnchor(image->bottomAnchor()),
      durationLabel_->topAnchor().constraintGreaterThanOrEqualToAnchor(gradientView_->topAnchor(), -4),
      durationLabel_->bottomAnchor().constraintEqualToAnchor(gradientView_->bottomAnchor(), -4),
      durationLabel_->leadingAnchor().constraintEqualToAnchor(gradientView_->leadingAnchor(), -8),
      durationLabel_->trailingAnchor().constraintEqualToAnchor(gradientView_->trailingAnchor(), -8),
  });
}

}  // namespace photopicker
