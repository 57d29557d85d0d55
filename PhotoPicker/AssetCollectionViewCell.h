// A photo of the asset grid: its thumbnail, a dimming overlay and the
// selection badge, shown while the cell is selected.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "PhotoPicker/SelectionView.h"
#include "PhotoPicker/Settings.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"

namespace photopicker {

class AssetCollectionViewCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "AssetCell";
  static constexpr double kBadgeSide = 25;
  static constexpr double kBadgeInset = 4;
  static constexpr double kSelectedOverlayAlpha = 0.3;
  static constexpr double kSelectionAnimationDuration = 0.1;
  static constexpr double kPressedScale = 0.95;

  AssetCollectionViewCell();

  const std::shared_ptr<uikit::ImageView>& imageView() const { return imageView_; }
  const std::shared_ptr<uikit::View>& selectionOverlayView() const { return selectionOverlayView_; }
  const std::shared_ptr<SelectionView>& selectionView() const { return selectionView_; }

  const std::shared_ptr<Settings>& settings() const { return settings_; }
  // Also the badge's settings.
  void setSettings(std::shared_ptr<Settings> settings);
  // The shown asset's 0-based place in the selection; passed on to the badge.
  const std::optional<std::int64_t>& selectionIndex() const { return selectionIndex_; }
  void setSelectionIndex(std::optional<std::int64_t> index);

  void setSelected(bool selected) override;
  void prepareForReuse() override;

 private:
  void applySelectedLook(bool selected);
  void updateAccessibilityLabel();

  std::shared_ptr<uikit::ImageView> imageView_;
  std::shared_ptr<Settings> settings_;
  std::optional<std::int64_t> selectionIndex_;
  std::shared_ptr<uikit::View> selectionOverlayView_;
  std::shared_ptr<SelectionView> selectionView_;
};

}  // namespace photopicker
