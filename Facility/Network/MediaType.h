// The file kind of one media item.
#pragma once

#include "Facility/Network/APIMimeTypes.h"

struct MediaType {
  APIMimeTypes mime;
  friend bool operator==(const MediaType&, const MediaType&) = default;
};
