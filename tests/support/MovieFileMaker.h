// Minimal MP4 files for duration and size tests: an "ftyp" box, a "moov"
// with a movie header and one video track header, and an empty "mdat".
// Nothing in them plays.
#pragma once

#include <cstdint>
#include <vector>

namespace facility_test {

class MovieFileMaker {
 public:
  // version 1 writes 64-bit times and duration; mdatFirst puts the media box
  // before the movie box, as cameras that stream do.
  static std::vector<std::uint8_t> mp4(std::uint64_t durationUnits, std::uint32_t timescale, int width, int height,
                                       int version = 0, bool mdatFirst = false);
};

}  // namespace facility_test
