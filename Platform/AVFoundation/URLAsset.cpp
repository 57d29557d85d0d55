#include "Platform/AVFoundation/URLAsset.h"

#include "Platform/AVFoundation/MovieHeader.h"

namespace avfoundation {

URLAsset::URLAsset(std::string path) : path_(std::move(path)) {
  auto header = MovieHeader::readFile(path_);
  if (header.ok()) duration_ = header->duration;
}

}  // namespace avfoundation
