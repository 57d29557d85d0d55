#include "Facility/Screens/ComplaintPhotoUpload.h"

#include "Facility/Support/JSONString.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/Photos/ImageRequestOptions.h"

ComplaintPhotoUpload::Encoder ComplaintPhotoUpload::jpegEncoder() {
  return [](const uikit::Image& image, double quality) { return image.jpegData(quality); };
}

ComplaintPhotoUpload::Decoder ComplaintPhotoUpload::imageDecoder() {
  // The pixels move into the image; the JPEG bytes are not kept with it.
  return [](const std::vector<std::uint8_t>& bytes) -> uikit::ImagePtr {
    auto bitmap = platform::ImageCodec::decode(bytes);
    if (!bitmap.ok()) return nullptr;
    return uikit::Image::fromBitmap(bitmap->width, bitmap->height, std::move(bitmap->rgba));
  };
}

uikit::ImagePtr ComplaintPhotoUpload::shrinkImageForUpload(const uikit::Image& image, const Encoder& encoder,
                                                           const Decoder& decoder) {
  double quality = 1.0;
  auto data = encoder(image, quality);
  if (!data) return nullptr;
  // Repeated addition, not a multiple of the step: after 20 steps the
  // quality lies just below zero and the loop ends.
  while (quality > 0.0 && data->size() > kMaximumBytes) {
    quality += -kQualityStep;
    data = encoder(image, quality);
    if (!data) return nullptr;
  }
  return decoder(*data);
}

std::vector<uikit::ImagePtr> ComplaintPhotoUpload::loadUploadImages(const std::vector<photos::AssetPtr>& assets,
                                                                    photos::ImageManager& manager) {
  auto options = std::make_shared<photos::ImageRequestOptions>();
  options->synchronous = true;
  const Encoder encoder = jpegEncoder();
  const Decoder decoder = imageDecoder();
  std::vector<uikit::ImagePtr> images;
  for (const auto& asset : assets) {
    if (!asset) continue;
    const uikit::Size full{static_cast<double>(asset->pixelWidth()), static_cast<double>(asset->pixelHeight())};
    manager.requestImage(asset, full, photos::ImageContentMode::kAspectFill, options,
                         [&](uikit::ImagePtr image, const photos::ImageResultInfo&) {
                           if (!image) return;
                           if (auto shrunk = shrinkImageForUpload(*image, encoder, decoder)) {
                             images.push_back(std::move(shrunk));
                           }
                         });
  }
  return images;
}

std::vector<std::string> ComplaintPhotoUpload::base64PngTexts(const std::vector<uikit::ImagePtr>& images) {
  std::vector<std::string> texts;
  for (const auto& image : images) {
    if (!image) continue;
    auto png = image->pngData();
    if (!png) continue;
    texts.push_back(platform::Base64::encode(*png));
  }
  return texts;
}

std::string ComplaintPhotoUpload::jsonText(const std::vector<std::string>& texts) {
  platform::Value::Array array;
  array.reserve(texts.size());
  for (const auto& text : texts) array.emplace_back(text);
  return jsonString(true, platform::Value(std::move(array)));
}
