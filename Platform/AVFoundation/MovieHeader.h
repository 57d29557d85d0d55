// What a QuickTime/MP4 file's boxes say about it: the duration from the movie
// header ("mvhd") and the picture size from the first video track's header
// ("tkhd", track with a non-zero size). Only the box headers are read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace avfoundation {

struct MovieHeader {
  double duration = 0;  // seconds
  int width = 0;
  int height = 0;

  // True when the bytes start with an "ftyp" box.
  static bool hasSignature(const std::vector<std::uint8_t>& head);
  static platform::Result<MovieHeader> parse(const std::vector<std::uint8_t>& bytes);
  static platform::Result<MovieHeader> readFile(const std::string& path);
};

}  // namespace avfoundation
