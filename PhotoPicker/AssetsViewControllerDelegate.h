// How the asset grid reports to its owner (the picker).
#pragma once

#include "Platform/Photos/Asset.h"

namespace photopicker {

class AssetsViewController;
class AssetCollectionViewCell;

class AssetsViewControllerDelegate {
 public:
  virtual ~AssetsViewControllerDelegate() = default;
  virtual void assetsViewControllerDidSelectAsset(AssetsViewController& grid, const photos::AssetPtr& asset) = 0;
  virtual void assetsViewControllerDidDeselectAsset(AssetsViewController& grid, const photos::AssetPtr& asset) = 0;
  virtual void assetsViewControllerDidLongPressCell(AssetsViewController& grid, AssetCollectionViewCell& cell,
                                                    const photos::AssetPtr& asset) = 0;
};

}  // namespace photopicker
