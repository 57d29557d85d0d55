#include "Platform/CommonCrypto/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <string>

namespace platform {
namespace {

constexpr int kGzipWindowBits = 15 + 16;  // 16 selects the gzip wrapper
constexpr std::size_t kChunk = 64 * 1024;

uInt ChunkOf(std::size_t remaining) { return static_cast<uInt>(std::min<std::size_t>(remaining, UINT_MAX)); }

std::atomic<Gzip::RefuseAllocationHook> gRefuseAllocation{nullptr};

voidpf Allocate(voidpf, uInt items, uInt size) {
  const auto refuse = gRefuseAllocation.load(std::memory_order_acquire);
  if (refuse != nullptr && refuse()) return Z_NULL;
  return std::calloc(items, size);
}

void Release(voidpf, voidpf address) { std::free(address); }

z_stream NewStream() {
  z_stream zs{};
  zs.zalloc = Allocate;
  zs.zfree = Release;
  return zs;
}


}  // namespace

void Gzip::setRefuseAllocationHookForTesting(RefuseAllocationHook hook) {
  gRefuseAllocation.store(hook, std::memory_order_release);
}

Result<Gzip::Bytes> Gzip::compress(std::span<const std::uint8_t> data) {
  z_stream zs = NewStream();
  const int init = deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY);
  if (init == Z_MEM_ERROR) return Status::ResourceExhausted("gzip: out of memory initialising deflate");
  if (init != Z_OK) return Status::Internal("gzip: cannot initialise deflate");
  Bytes out;
  const std::uint8_t* next = data.data();
  std::size_t remaining = data.size();
  int rc = Z_OK;
  do {
    if (zs.avail_in == 0 && remaining) {
      zs.next_in = const_cast<Bytef*>(next);  // zlib's API is not const-correct
      zs.avail_in = ChunkOf(remaining);
      next += zs.avail_in;
      remaining -= zs.avail_in;
    }
    const std::size_t before = out.size();
    out.resize(before + kChunk);
    zs.next_out = out.data() + before;
    zs.avail_out = static_cast<uInt>(kChunk);
    rc = deflate(&zs, remaining ? Z_NO_FLUSH : Z_FINISH);
    out.resize(before + (kChunk - zs.avail_out));
    if (rc == Z_STREAM_ERROR) break;
  } while (rc != Z_STREAM_END);
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) return Status::Internal("gzip: deflate failed");
  return out;
}

Result<Gzip::Bytes> Gzip::inflate(std::span<const std::uint8_t> gzipped, std::size_t maxOutputBytes) {
  if (gzipped.empty()) return Status::Corruption("gzip: empty input");
  z_stream zs = NewStream();
  const int init = inflateInit2(&zs, kGzipWindowBits);
  if (init == Z_MEM_ERROR) return Status::ResourceExhausted("gzip: out of memory initialising inflate");
  if (init != Z_OK) return Status::Internal("gzip: cannot initialise inflate");

  Bytes out;
  const std::uint8_t* next = gzipped.data();
  std::size_t remaining = gzipped.size();
  Status failure;
  int rc = Z_OK;
  while (true) {
    if (zs.avail_in == 0 && remaining) {
      zs.next_in = const_cast<Bytef*>(next);
      zs.avail_in = ChunkOf(remaining);
      next += zs.avail_in;
      remaining -= zs.avail_in;
    }
    // One byte of room past the cap tells "exactly at the cap" from "over it".
    const std::size_t limit = maxOutputBytes < SIZE_MAX ? maxOutputBytes + 1 : SIZE_MAX;
    const std::size_t room = std::min(kChunk, limit - out.size());
    if (room == 0) {
      failure = Status::InvalidArgument("gzip: inflated data exceeds " + std::to_string(maxOutputBytes) + " bytes");
      break;
    }
    const std::size_t before = out.size();
    out.resize(before + room);
    zs.next_out = out.data() + before;
    zs.avail_out = static_cast<uInt>(room);
    rc = ::inflate(&zs, Z_NO_FLUSH);
    out.resize(before + (room - zs.avail_out));
    if (out.size() > maxOutputBytes) {
      failure = Status::InvalidArgument("gzip: inflated data exceeds " + std::to_string(maxOutputBytes) + " bytes");
      break;
    }
    if (rc == Z_STREAM_END) {
      if (zs.avail_in != 0 || remaining != 0) failure = Status::Corruption("gzip: trailing bytes after the member");
      break;
    }
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && remaining == 0) {
      failure = Status::Corruption("gzip: truncated input");
      break;
    }
    if (rc == Z_MEM_ERROR) {
      // Not a property of the data: the caller may keep it and try again.
      failure = Status::ResourceExhausted("gzip: out of memory while inflating");
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      failure = Status::Corruption(std::string("gzip: ") + (zs.msg ? zs.msg : "invalid data"));
      break;
    }
  }
  inflateEnd(&zs);
  if (!failure.ok()) return failure;
  return out;
}

}  // namespace platform
