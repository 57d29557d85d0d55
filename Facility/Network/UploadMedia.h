// One media item of an upload: its kind, its content, and an optional file
// name and index.
#pragma once

#include <optional>
#include <string>

#include "Facility/Network/MediaData.h"
#include "Facility/Network/MediaType.h"

struct UploadMedia {
  MediaType mediaType;
  MediaData media;
  std::optional<std::string> fileName;
  std::optional<std::string> index;
};
