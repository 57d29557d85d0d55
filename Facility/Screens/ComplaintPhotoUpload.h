// Photos of a complaint on their way to the server: each picked photo is
// read at full size, shrunk as JPEG towards kMaximumBytes, decoded back and
// sent as PNG in Base64, the texts together as one pretty JSON array.
// Everything runs on the caller's thread. A photo that cannot be read,
// encoded or decoded is left out without a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Photos/Asset.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/Image.h"

class ComplaintPhotoUpload {
 public:
  static constexpr std::size_t kMaximumBytes = 512000;
  static constexpr double kQualityStep = 0.05;

  // JPEG bytes of an image at a quality (1.0 best); none when it has none.
  using Encoder = std::function<std::optional<std::vector<std::uint8_t>>(const uikit::Image& image, double quality)>;
  // An image from encoded bytes; none when they are no image.
  using Decoder = std::function<uikit::ImagePtr(const std::vector<std::uint8_t>& bytes)>;

  static Encoder jpegEncoder();
  static Decoder imageDecoder();

  // Quality 1.0, then lowered by kQualityStep while above 0 and the bytes
  // are over kMaximumBytes: at most 20 re-encodings, the last just below
  // zero, so the result may stay larger. None when an encoding or the
  // decoding fails.
  static uikit::ImagePtr shrinkImageForUpload(const uikit::Image& image, const Encoder& encoder,
                                              const Decoder& decoder);
  static uikit::ImagePtr shrinkImageForUpload(const uikit::Image& image) {
    return shrinkImageForUpload(image, jpegEncoder(), imageDecoder());
  }

  // Each asset at its full pixel size, aspect fill, asked synchronously of
  // the manager, then shrunk; in the assets' order.
  static std::vector<uikit::ImagePtr> loadUploadImages(const std::vector<photos::AssetPtr>& assets,
                                                       photos::ImageManager& manager);

  // Standard Base64 of each image's PNG encoding, without line breaks; an
  // image without one is skipped.
  static std::vector<std::string> base64PngTexts(const std::vector<uikit::ImagePtr>& images);
  // The texts as pretty JSON ("[]" for none), every "/" written "\/".
  static std::string jsonText(const std::vector<std::string>& texts);
  static std::string uploadText(const std::vector<uikit::ImagePtr>& images) {
    return jsonText(base64PngTexts(images));
  }
};
