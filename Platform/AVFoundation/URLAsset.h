// Media in a local file. The duration comes from the file's movie header.
#pragma once

#include <memory>
#include <string>

#include "Platform/AVFoundation/Asset.h"

namespace avfoundation {

class URLAsset : public Asset {
 public:
  // path: absolute file path; the header is read now (unreadable: 0 s).
  explicit URLAsset(std::string path);

  // "file://" and the path.
  std::string url() const { return "file://" + path_; }
  const std::string& path() const { return path_; }
  double duration() const override { return duration_; }

 private:
  std::string path_;
  double duration_ = 0;
};

}  // namespace avfoundation
