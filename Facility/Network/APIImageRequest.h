// Upload requests: a web call with one media item per key, a list per key, or
// both, and an optional progress callback. Nothing here sends them.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/UploadMedia.h"

using UploadProgress = std::function<void(double)>;

class APIImageRequest : public APIRequest {
 public:
  using APIRequest::APIRequest;
  std::map<std::string, UploadMedia> singleImage;
  UploadProgress uploadingProgress;
};

class APIImagesRequest : public APIRequest {
 public:
  using APIRequest::APIRequest;
  std::map<std::string, std::vector<UploadMedia>> multipleImage;
  UploadProgress uploadingProgress;
};

class APIImageAndImagesRequest : public APIRequest {
 public:
  using APIRequest::APIRequest;
  std::map<std::string, UploadMedia> singleImage;
  std::map<std::string, std::vector<UploadMedia>> multipleImage;
  UploadProgress uploadingProgress;
};
