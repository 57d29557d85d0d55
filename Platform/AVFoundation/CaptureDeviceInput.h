// The input of a camera: reads the photos of its device's source folder.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/Foundation/Status.h"

namespace avfoundation {

class CaptureDeviceInput;
using CaptureDeviceInputPtr = std::shared_ptr<CaptureDeviceInput>;

class CaptureDeviceInput {
 public:
  // Fails when the device is none or its source folder cannot be read or
  // holds no JPEG file (*.jpg, *.jpeg).
  static platform::Result<CaptureDeviceInputPtr> deviceInputWithDevice(const CaptureDevicePtr& device);

  const CaptureDevicePtr& device() const { return device_; }
  // The next photo's bytes, cycling through the files in name order.
  // Thread-safe.
  platform::Result<std::vector<std::uint8_t>> nextPhoto();

  CaptureDeviceInput(CaptureDevicePtr device, std::vector<std::string> files)
      : device_(std::move(device)), files_(std::move(files)) {}

 private:
  CaptureDevicePtr device_;
  std::vector<std::string> files_;
  std::mutex mu_;
  std::size_t next_ = 0;
};

}  // namespace avfoundation
