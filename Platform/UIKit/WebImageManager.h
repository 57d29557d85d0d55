// Remote image loading for image views and buttons. The loader is
// injectable; every requested URL is recorded. Without a loader a request
// fails in a later run-loop turn and the placeholder stays.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/UIKit/Image.h"

namespace uikit {

class WebImageManager {
 public:
  using Done = std::function<void(ImagePtr image, const std::string& error)>;
  using Loader = std::function<void(const std::string& url, Done done)>;

  static WebImageManager& shared();

  void setLoader(Loader loader) { loader_ = std::move(loader); }
  // Starts a load; done runs exactly once.
  void load(const std::string& url, Done done);
  const std::vector<std::string>& requestedURLs() const { return requested_; }
  void reset();

 private:
  Loader loader_;
  std::vector<std::string> requested_;
};

}  // namespace uikit
