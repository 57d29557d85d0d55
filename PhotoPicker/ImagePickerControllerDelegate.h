// What the picker reports to its client, always on the main thread.
#pragma once

#include <cstdint>
#include <vector>

#include "Platform/Photos/Asset.h"

namespace photopicker {

class ImagePickerController;

class ImagePickerControllerDelegate {
 public:
  virtual ~ImagePickerControllerDelegate() = default;
  virtual void imagePickerDidSelectAsset(ImagePickerController& picker, const photos::AssetPtr& asset) = 0;
  virtual void imagePickerDidDeselectAsset(ImagePickerController& picker, const photos::AssetPtr& asset) = 0;
  // The selection, oldest first.
  virtual void imagePickerDidFinishWithAssets(ImagePickerController& picker,
                                              const std::vector<photos::AssetPtr>& assets) = 0;
  virtual void imagePickerDidCancelWithAssets(ImagePickerController& picker,
                                              const std::vector<photos::AssetPtr>& assets) = 0;
  virtual void imagePickerDidReachSelectionLimit(ImagePickerController& picker, std::int64_t count) = 0;
};

}  // namespace photopicker
