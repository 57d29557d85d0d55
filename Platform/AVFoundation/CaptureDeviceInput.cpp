#include "Platform/AVFoundation/CaptureDeviceInput.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace avfoundation {

namespace {

bool isJpegName(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".jpg" || ext == ".jpeg";
}

}  // namespace

platform::Result<CaptureDeviceInputPtr> CaptureDeviceInput::deviceInputWithDevice(const CaptureDevicePtr& device) {
  if (!device) return platform::Status::InvalidArgument("No capture device was given.");
  const std::string& folder = device->sourceFolder();
  std::error_code ec;
  std::vector<std::string> files;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && isJpegName(it->path())) files.push_back(it->path().string());
  }
  if (ec) return platform::Status::IOError("The camera source \"" + folder + "\" cannot be read.");
  if (files.empty()) return platform::Status::NotFound("The camera source \"" + folder + "\" holds no photos.");
  std::sort(files.begin(), files.end());
  return std::make_shared<CaptureDeviceInput>(device, std::move(files));
}

platform::Result<std::vector<std::uint8_t>> CaptureDeviceInput::nextPhoto() {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mu_);
    path = files_[next_];
    next_ = (next_ + 1) % files_.size();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return platform::Status::IOError("The photo \"" + path + "\" cannot be read.");
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace avfoundation
