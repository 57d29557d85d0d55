// Timed media. The only kind made is URLAsset.
#pragma once

#include <memory>

namespace avfoundation {

class Asset {
 public:
  virtual ~Asset() = default;
  // Seconds; 0 when unknown.
  virtual double duration() const = 0;
};

using AssetPtr = std::shared_ptr<const Asset>;

}  // namespace avfoundation
