#include "Platform/Photos/FetchOptions.h"

namespace photos {

std::string FetchOptions::predicateFormat() const {
  if (!mediaTypes) return "";
  std::string out = "mediaType IN {";
  for (std::size_t i = 0; i < mediaTypes->size(); ++i) {
    if (i) out += ", ";
    out += std::to_string(static_cast<int>((*mediaTypes)[i]));
  }
  return out + "}";
}

}  // namespace photos
