// Remote image loading for image views and buttons. The loader is
// injectable; every requested URL is recorded. Without a loader a request
// fails in a later run-loop turn and the placeholder stays.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/Image.h"

namespace uikit {

// The latest remote image request of one view. A newer request (a reused
// cell) supersedes older ones still in flight.
class WebImageRequest {
 public:
  // The URL last requested (empty: none).
  const std::string& url() const { return url_; }

 private:
  friend class WebImageManager;
  std::string url_;
  int generation_ = 0;
};

class WebImageManager {
 public:
  using Done = std::function<void(ImagePtr image, const std::string& error)>;
  using Loader = std::function<void(const std::string& url, Done done)>;
  using Completed = std::function<void(ImagePtr image, const std::string& error, const std::string& url)>;

  static WebImageManager& shared();

  void setLoader(Loader loader) { loader_ = std::move(loader); }
  // Starts a load; done runs exactly once.
  void load(const std::string& url, Done done);
  // Loads url for the view owning request. When the load ends while the
  // owner lives and no newer request replaced this one, a loaded image goes
  // to apply, then completed (if any) is told.
  void loadForView(const std::weak_ptr<const void>& owner, WebImageRequest& request, const std::string& url,
                   std::function<void(ImagePtr image)> apply, Completed completed);
  const std::vector<std::string>& requestedURLs() const { return requested_; }
  void reset();

 private:
  Loader loader_;
  std::vector<std::string> requested_;
};

}  // namespace uikit
