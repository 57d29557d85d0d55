// Where a media item's content comes from: an address, an image or bytes.
#pragma once

#include <string>
#include <variant>

#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/Image.h"

struct MediaData {
  struct Url {
    std::string value;
  };
  struct Image {
    uikit::ImagePtr value;
  };
  struct RawData {
    platform::Bytes value;
  };
  std::variant<Url, Image, RawData> content;
};
