// The command line of picker-demo:
//   picker-demo <folder> [--max N] [--numbered] [--videos] [--albums]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"

struct PickerDemoOptions {
  static constexpr const char* kUsage = "usage: picker-demo <folder> [--max N] [--numbered] [--videos] [--albums]";

  std::string folder;
  // The selection limit; none: no limit.
  std::optional<std::int64_t> max;
  bool numbered = false;  // numbered badges instead of check marks
  bool videos = false;    // videos offered besides photos
  bool albums = false;    // the folder's albums offered besides the library

  static platform::Result<PickerDemoOptions> parse(const std::vector<std::string>& args);
};
