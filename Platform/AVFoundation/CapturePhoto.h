// A captured photo as its encoded file data.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace avfoundation {

class CapturePhoto {
 public:
  CapturePhoto() = default;
  explicit CapturePhoto(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
  // None when the capture produced no data.
  const std::optional<std::vector<std::uint8_t>>& fileDataRepresentation() const { return data_; }

 private:
  std::optional<std::vector<std::uint8_t>> data_;
};

}  // namespace avfoundation
