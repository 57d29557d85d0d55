#include "tests/support/PhotoFixture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

namespace facility_test {
namespace {

std::uint8_t clampByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// An Exif APP1 segment holding only the orientation (big-endian TIFF).
std::vector<std::uint8_t> exifOrientationSegment(int orientation) {
  std::vector<std::uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8,  // header, IFD0 at 8
                                    0, 1,                           // one entry
                                    0x01, 0x12, 0, 3, 0, 0, 0, 1,   // orientation, SHORT, count 1
                                    0, static_cast<std::uint8_t>(orientation), 0, 0,
                                    0, 0, 0, 0};  // no next IFD
  std::vector<std::uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  const std::size_t length = payload.size() + 2;
  std::vector<std::uint8_t> segment = {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length & 0xFF)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  return segment;
}

}  // namespace

platform::Bitmap PhotoFixture::photoLike(int width, int height, unsigned seed) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 255)};
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // A sky-to-ground gradient with seed-dependent tints.
  const double tint[3] = {60 + 120 * unit(rng), 60 + 120 * unit(rng), 60 + 120 * unit(rng)};
  struct Disc {
    double cx, cy, r;
    double colour[3];
  };
  std::vector<Disc> discs;
  for (int i = 0; i < 6; ++i) {
    discs.push_back({unit(rng) * width, unit(rng) * height, (0.05 + 0.15 * unit(rng)) * std::min(width, height),
                     {255 * unit(rng), 255 * unit(rng), 255 * unit(rng)}});
  }
  const double boxX0 = 0.1 * width + 0.3 * width * unit(rng);
  const double boxY0 = 0.5 * height + 0.2 * height * unit(rng);
  const double boxX1 = boxX0 + 0.3 * width;
  const double boxY1 = boxY0 + 0.2 * height;
  std::normal_distribution<double> noise(0.0, 4.0);
  for (int y = 0; y < height; ++y) {
    const double fy = static_cast<double>(y) / std::max(1, height - 1);
    for (int x = 0; x < width; ++x) {
      const double fx = static_cast<double>(x) / std::max(1, width - 1);
      double c[3];
      for (int k = 0; k < 3; ++k) c[k] = tint[k] * (1.0 - 0.6 * fy) + 80 * fx * (k == 2 ? 1 : 0.4);
      for (const Disc& d : discs) {
        const double dx = x - d.cx;
        const double dy = y - d.cy;
        if (dx * dx + dy * dy < d.r * d.r) {
          for (int k = 0; k < 3; ++k) c[k] = 0.3 * c[k] + 0.7 * d.colour[k];
        }
      }
      if (x >= boxX0 && x < boxX1 && y >= boxY0 && y < boxY1) {
        for (int k = 0; k < 3; ++k) c[k] = 0.5 * c[k] + 40;
      }
      std::uint8_t* p = &b.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      for (int k = 0; k < 3; ++k) p[k] = clampByte(c[k] + noise(rng));
    }
  }
  return b;
}

platform::Bitmap PhotoFixture::noisyGradient(int width, int height, int amplitude, unsigned seed) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 255)};
  // Camera-sized images of this run through the sanitizer builds: a plain
  // xorshift and raw pointers keep the making cheap next to the codec's work.
  std::uint64_t state = 0x9e3779b97f4a7c15ULL ^ seed;
  const auto span = static_cast<std::uint64_t>(2 * amplitude + 1);
  std::uint8_t* p = b.rgba.data();
  for (int y = 0; y < height; ++y) {
    const double fy = static_cast<double>(y) / std::max(1, height - 1);
    for (int x = 0; x < width; ++x, p += 4) {
      const double fx = static_cast<double>(x) / std::max(1, width - 1);
      const double base[3] = {40 + 160 * fx, 60 + 120 * fy, 200 - 150 * (fx + fy) / 2};
      for (int k = 0; k < 3; ++k) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        p[k] = clampByte(base[k] + static_cast<double>((state >> 11) % span) - amplitude);
      }
    }
  }
  return b;
}

platform::Bitmap PhotoFixture::quadrants(int width, int height, const std::array<Rgb, 4>& colours) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 255)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb& c = colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
      std::uint8_t* p = &b.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }
  return b;
}

std::vector<std::uint8_t> PhotoFixture::jpeg(const platform::Bitmap& bitmap, int quality, int orientation) {
  auto bytes = platform::ImageCodec::encodeJpeg(bitmap, quality);
  if (!bytes.ok()) return {};
  if (orientation == 1) return *bytes;
  // The segment goes right after SOI.
  std::vector<std::uint8_t> out(bytes->begin(), bytes->begin() + 2);
  const auto segment = exifOrientationSegment(orientation);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), bytes->begin() + 2, bytes->end());
  return out;
}

std::vector<std::uint8_t> PhotoFixture::png(const platform::Bitmap& bitmap) {
  auto bytes = platform::ImageCodec::encodePng(bitmap);
  return bytes.ok() ? *bytes : std::vector<std::uint8_t>{};
}

platform::Status PhotoFixture::writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                         double modificationTime) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return platform::Status::IOError("cannot write " + path);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return platform::Status::IOError("cannot write " + path);
  }
  if (modificationTime >= 0) {
    const auto wall = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(modificationTime)));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(wall), ec);
    if (ec) return platform::Status::IOError("cannot set the time of " + path);
  }
  return platform::Status::OK();
}

}  // namespace facility_test
