// gzip (RFC 1952) compression and inflation. Inflation takes a cap on the
// output size so that a small hostile input cannot exhaust memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

class Gzip {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // One gzip member holding data (an empty input gives a valid empty member).
  // Errors: ResourceExhausted when memory ran short.
  static Result<Bytes> compress(std::span<const std::uint8_t> data);

  // The content of one gzip member.
  // Errors: Corruption for input that is empty, not gzip, truncated, fails
  // its checksum or has bytes after the member; InvalidArgument when the
  // content would exceed maxOutputBytes (nothing partial is returned);
  // ResourceExhausted when memory ran short (the input may well be sound).
  static Result<Bytes> inflate(std::span<const std::uint8_t> gzipped, std::size_t maxOutputBytes);

  // Tests make zlib's own allocations fail: the hook answers true to refuse
  // one. nullptr restores plain allocation.
  using RefuseAllocationHook = bool (*)();
  static void setRefuseAllocationHookForTesting(RefuseAllocationHook hook);
};

}  // namespace platform
