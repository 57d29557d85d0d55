#include "PhotoPicker/PreviewBuilder.h"

#include "PhotoPicker/LivePreviewViewController.h"
#include "PhotoPicker/VideoPreviewViewController.h"

namespace photopicker {

std::shared_ptr<PreviewViewController> PreviewBuilder::createPreviewController(
    const photos::AssetPtr& asset, const std::shared_ptr<Settings>& settings) {
  std::shared_ptr<PreviewViewController> preview;
  auto type = asset ? asset->mediaType() : photos::MediaType::kUnknown;
  auto subtypes = asset ? asset->mediaSubtypes() : photos::kMediaSubtypeNone;
  if (type == photos::MediaType::kImage && subtypes == photos::kMediaSubtypePhotoLive) {
    preview = PreviewViewController::create<LivePreviewViewController>();
  } else if (type == photos::MediaType::kVideo) {
    preview = PreviewViewController::create<VideoPreviewViewController>();
  } else {
    preview = PreviewViewController::create<PreviewViewController>();
  }
  preview->settings = settings;
  preview->setAsset(asset);
  return preview;
}

}  // namespace photopicker
