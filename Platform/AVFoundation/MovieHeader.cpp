#include "Platform/AVFoundation/MovieHeader.h"

#include <cstring>
#include <fstream>

namespace avfoundation {
namespace {

using platform::Result;
using platform::Status;

// A movie box larger than this is not read into memory.
constexpr std::uint64_t kMaxMoovBytes = 64ull * 1024 * 1024;

std::uint64_t be(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

struct Box {
  char type[4];
  std::size_t payload;  // offset of the payload
  std::size_t end;      // offset past the box
};

// The box at offset within [0, limit); false when its header is malformed.
bool boxAt(const std::uint8_t* data, std::size_t offset, std::size_t limit, Box* box) {
  if (limit - offset < 8) return false;
  std::uint64_t size = be(data + offset, 4);
  std::memcpy(box->type, data + offset + 4, 4);
  std::size_t header = 8;
  if (size == 1) {
    if (limit - offset < 16) return false;
    size = be(data + offset + 8, 8);
    header = 16;
  } else if (size == 0) {
    size = limit - offset;
  }
  if (size < header || size > limit - offset) return false;
  box->payload = offset + header;
  box->end = offset + static_cast<std::size_t>(size);
  return true;
}

bool isType(const Box& box, const char* type) { return std::memcmp(box.type, type, 4) == 0; }

Status parseMvhd(const std::uint8_t* p, std::size_t n, MovieHeader* out) {
  if (n < 4) return Status::Corruption("short movie header");
  const int version = p[0];
  const std::size_t need = version == 1 ? 32 : 20;
  if (n < need) return Status::Corruption("short movie header");
  const std::uint64_t timescale = version == 1 ? be(p + 20, 4) : be(p + 12, 4);
  const std::uint64_t duration = version == 1 ? be(p + 24, 8) : be(p + 16, 4);
  if (timescale == 0) return Status::Corruption("movie header without time scale");
  out->duration = static_cast<double>(duration) / static_cast<double>(timescale);
  return Status::OK();
}

void parseTkhd(const std::uint8_t* p, std::size_t n, MovieHeader* out) {
  if (n < 4 || out->width > 0) return;
  const std::size_t at = p[0] == 1 ? 88 : 76;  // width, 16.16 fixed point
  if (n < at + 8) return;
  const auto w = static_cast<int>(be(p + at, 4) >> 16);
  const auto h = static_cast<int>(be(p + at + 4, 4) >> 16);
  if (w > 0 && h > 0) {
    out->width = w;
    out->height = h;
  }
}

Result<MovieHeader> parseMoov(const std::uint8_t* data, std::size_t begin, std::size_t end) {
  MovieHeader out;
  bool haveMvhd = false;
  Box box;
  for (std::size_t at = begin; at < end; at = box.end) {
    if (!boxAt(data, at, end, &box)) return Status::Corruption("damaged movie box");
    if (isType(box, "mvhd")) {
      Status s = parseMvhd(data + box.payload, box.end - box.payload, &out);
      if (!s.ok()) return s;
      haveMvhd = true;
    } else if (isType(box, "trak")) {
      Box inner;
      for (std::size_t t = box.payload; t < box.end; t = inner.end) {
        if (!boxAt(data, t, box.end, &inner)) return Status::Corruption("damaged track box");
        if (isType(inner, "tkhd")) parseTkhd(data + inner.payload, inner.end - inner.payload, &out);
      }
    }
  }
  if (!haveMvhd) return Status::Corruption("movie without a movie header");
  return out;
}

}  // namespace

bool MovieHeader::hasSignature(const std::vector<std::uint8_t>& head) {
  return head.size() >= 8 && std::memcmp(head.data() + 4, "ftyp", 4) == 0;
}

Result<MovieHeader> MovieHeader::parse(const std::vector<std::uint8_t>& bytes) {
  if (!hasSignature(bytes)) return Status::InvalidArgument("not a movie file");
  Box box;
  for (std::size_t at = 0; at < bytes.size(); at = box.end) {
    if (!boxAt(bytes.data(), at, bytes.size(), &box)) return Status::Corruption("damaged movie file");
    if (isType(box, "moov")) return parseMoov(bytes.data(), box.payload, box.end);
  }
  return Status::Corruption("movie file without a movie box");
}

Result<MovieHeader> MovieHeader::readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::NotFound("cannot open " + path);
  in.seekg(0, std::ios::end);
  const auto fileSize = static_cast<std::uint64_t>(in.tellg());
  std::uint64_t at = 0;
  bool first = true;
  while (at + 8 <= fileSize) {
    std::uint8_t head[16];
    in.seekg(static_cast<std::streamoff>(at));
    const std::size_t headLen = fileSize - at >= 16 ? 16 : 8;
    if (!in.read(reinterpret_cast<char*>(head), static_cast<std::streamsize>(headLen))) break;
    if (first && std::memcmp(head + 4, "ftyp", 4) != 0) return Status::InvalidArgument("not a movie file");
    first = false;
    std::uint64_t size = be(head, 4);
    std::uint64_t header = 8;
    if (size == 1) {
      if (headLen < 16) break;
      size = be(head + 8, 8);
      header = 16;
    } else if (size == 0) {
      size = fileSize - at;
    }
    if (size < header || size > fileSize - at) return Status::Corruption("damaged movie file");
    if (std::memcmp(head + 4, "moov", 4) == 0) {
      const std::uint64_t payload = size - header;
      if (payload > kMaxMoovBytes) return Status::Corruption("movie box too large");
      std::vector<std::uint8_t> moov(static_cast<std::size_t>(payload));
      in.seekg(static_cast<std::streamoff>(at + header));
      if (!in.read(reinterpret_cast<char*>(moov.data()), static_cast<std::streamsize>(moov.size()))) {
        return Status::IOError("cannot read " + path);
      }
      return parseMoov(moov.data(), 0, moov.size());
    }
    at += size;
  }
  if (first) return Status::InvalidArgument("not a movie file");
  return Status::Corruption("movie file without a movie box");
}

}  // namespace avfoundation
