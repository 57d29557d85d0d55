// Makes the preview an asset calls for: live, video or still.
#pragma once

#include <memory>

#include "PhotoPicker/PreviewViewController.h"
#include "PhotoPicker/Settings.h"
#include "Platform/Photos/Asset.h"

namespace photopicker {

class PreviewBuilder {
 public:
  PreviewBuilder() = delete;

  // A live preview for an image whose subtypes are exactly the live flag (a
  // live photo with any other flag gets the still preview), a video preview
  // for a video, else the still preview; holding the settings and then the
  // asset.
  static std::shared_ptr<PreviewViewController> createPreviewController(const photos::AssetPtr& asset,
                                                                        const std::shared_ptr<Settings>& settings);
};

}  // namespace photopicker
