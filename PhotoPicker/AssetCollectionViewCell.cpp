#include "PhotoPicker/AssetCollectionViewCell.h"

#include "Platform/UIKit/LayoutConstraint.h"

namespace photopicker {

AssetCollectionViewCell::AssetCollectionViewCell()
    : imageView_(std::make_shared<uikit::ImageView>()),
      selectionOverlayView_(std::make_shared<uikit::View>()),
      selectionView_(std::make_shared<SelectionView>(uikit::Rect(0, 0, kBadgeSide, kBadgeSide))) {
  imageView_->setContentMode(uikit::ContentMode::kScaleAspectFill);
  imageView_->setClipsToBounds(true);
  // The system's secondary background, light and dark.
  selectionOverlayView_->setBackgroundColor(
      uikit::Color::dynamic(uikit::Color::rgb255(242, 242, 247), uikit::Color::rgb255(28, 28, 30)));

  auto content = contentView();
  for (const auto& v : {std::static_pointer_cast<uikit::View>(imageView_), selectionOverlayView_,
                        std::static_pointer_cast<uikit::View>(selectionView_)}) {
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    content->addSubview(v);
  }
  std::vector<uikit::LayoutConstraintPtr> constraints;
  for (const auto& v : {std::static_pointer_cast<uikit::View>(imageView_), selectionOverlayView_}) {
    constraints.push_back(v->topAnchor().constraintEqualToAnchor(content->topAnchor()));
    constraints.push_back(v->bottomAnchor().constraintEqualToAnchor(content->bottomAnchor()));
    constraints.push_back(v->leadingAnchor().constraintEqualToAnchor(content->leadingAnchor()));
    constraints.push_back(v->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor()));
  }
  constraints.push_back(selectionView_->widthAnchor().constraintEqualToConstant(kBadgeSide));
  constraints.push_back(selectionView_->heightAnchor().constraintEqualToConstant(kBadgeSide));
  constraints.push_back(selectionView_->trailingAnchor().constraintEqualToAnchor(content->trailingAnchor(), -kBadgeInset));
  constraints.push_back(selectionView_->bottomAnchor().constraintEqualToAnchor(content->bottomAnchor(), -kBadgeInset));
  uikit::LayoutConstraint::activate(constraints);

  applySelectedLook(isSelected());
  updateAccessibilityLabel();
}

void AssetCollectionViewCell::setSettings(std::shared_ptr<Settings> settings) {
  settings_ = std::move(settings);
  selectionView_->settings = settings_;
}

void AssetCollectionViewCell::setSelectionIndex(std::optional<std::int64_t> index) {
  selectionIndex_ = index;
  selectionView_->setSelectionIndex(index);
}

void AssetCollectionViewCell::applySelectedLook(bool selected) {
  selectionView_->setAlpha(selected ? 1.0 : 0.0);
  selectionOverlayView_->setAlpha(selected ? kSelectedOverlayAlpha : 0.0);
}

void AssetCollectionViewCell::updateAccessibilityLabel() {
  setAccessibilityLabel(isSelected() ? "deselect image" : "select image");
}

void AssetCollectionViewCell::setSelected(bool selected) {
  bool old = isSelected();
  uikit::CollectionViewCell::setSelected(selected);
  if (old == selected) return;
  updateAccessibilityLabel();
  if (!uikit::View::areAnimationsEnabled()) {
    applySelectedLook(selected);
    return;
  }
  std::weak_ptr<AssetCollectionViewCell> weak = sharedAs<AssetCollectionViewCell>();
  uikit::View::animate(
      kSelectionAnimationDuration,
      [this, selected] {
        applySelectedLook(selected);
        setTransform(uikit::AffineTransform::scale(kPressedScale, kPressedScale));
      },
      [weak](bool) {
        auto cell = weak.lock();
        if (!cell) return;
        uikit::View::animate(kSelectionAnimationDuration,
                             [cell] { cell->setTransform(uikit::AffineTransform::identity()); });
      });
}

void AssetCollectionViewCell::prepareForReuse() {
  uikit::CollectionViewCell::prepareForReuse();
  imageView_->setImage(nullptr);
  setSelectionIndex(std::nullopt);
}

}  // namespace photopicker
