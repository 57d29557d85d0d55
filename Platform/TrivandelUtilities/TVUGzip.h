// gzip (RFC 1952) for the engine's bundles and service replies. Inflation
// stops with an error beyond kTVUMaxInflatedSize so that a small hostile
// reply cannot exhaust memory.
#pragma once

#include <cstddef>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

inline constexpr std::size_t kTVUMaxInflatedSize = 64u * 1024u * 1024u;

class TVUGzip {
 public:
  static Result<Bytes> tvu_dataByGzippingData(const Bytes& data);
  static Result<Bytes> tvu_dataByInflatingGzippedData(const Bytes& data,
                                                      std::size_t maxOutputBytes = kTVUMaxInflatedSize);
};

}  // namespace platform
