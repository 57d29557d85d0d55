#include "Platform/ImageIO/ImageCodec.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Platform/ImageIO/ImageSource.h"

namespace platform {

namespace {

// Corrupt headers can claim any size; refuse before allocating.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

bool sizeAcceptable(long long width, long long height) {
  return width > 0 && height > 0 && width * height <= kMaxPixels;
}

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the call that set up the handler.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt but decodable data) are not printed.
void jpegSilence(j_common_ptr, int) {}

// Everything touched after setjmp lives in this struct, reached through a
// pointer, so a longjmp leaves no clobbered locals behind.
struct JpegDecode {
  jpeg_decompress_struct info{};
  JpegError err{};
  Bitmap out;
  std::vector<std::uint8_t> row;
  const char* failure = nullptr;
  int minWidth = 0;  // displayed pixels; 0: full size
  int minHeight = 0;
  bool headerOnly = false;
  int orientation = 1;
  int fullWidth = 0;
  int fullHeight = 0;
};

std::uint32_t readTiff(const std::uint8_t* p, bool bigEndian, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
    v |= static_cast<std::uint32_t>(p[i]) << shift;
  }
  return v;
}

// The orientation entry of IFD0 in an Exif APP1 segment; 1 when absent or
// out of range. Every offset is checked against the segment.
int exifOrientation(const std::uint8_t* data, std::size_t size) {
  if (size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) return 1;
  const std::uint8_t* tiff = data + 6;
  const std::size_t n = size - 6;
  bool big;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    big = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    big = true;
  } else {
    return 1;
  }
  if (readTiff(tiff + 2, big, 2) != 42) return 1;
  const std::uint32_t ifd = readTiff(tiff + 4, big, 4);
  if (ifd > n || n - ifd < 2) return 1;
  const std::uint32_t entries = readTiff(tiff + ifd, big, 2);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t at = ifd + 2 + static_cast<std::size_t>(i) * 12;
    if (at + 12 > n) return 1;
    if (readTiff(tiff + at, big, 2) != 0x0112) continue;
    if (readTiff(tiff + at + 2, big, 2) != 3) return 1;  // SHORT
    const std::uint32_t value = readTiff(tiff + at + 8, big, 2);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

int jpegOrientation(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1) {
      const int o = exifOrientation(m->data, m->data_length);
      if (o != 1) return o;
    }
  }
  return 1;
}

bool swapsSides(int orientation) { return orientation >= 5; }

// The upright bitmap of one stored with the given orientation.
Bitmap applyOrientation(Bitmap in, int orientation) {
  if (orientation <= 1 || orientation > 8) return in;
  const int w = in.width;
  const int h = in.height;
  Bitmap out;
  out.width = swapsSides(orientation) ? h : w;
  out.height = swapsSides(orientation) ? w : h;
  out.rgba.resize(in.rgba.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      int sx = x;
      int sy = y;
      switch (orientation) {
        case 2: sx = w - 1 - x; sy = y; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sx = x; sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
        default: break;
      }
      std::memcpy(&out.rgba[(static_cast<std::size_t>(y) * out.width + x) * 4],
                  &in.rgba[(static_cast<std::size_t>(sy) * w + sx) * 4], 4);
    }
  }
  return out;
}

bool runJpegDecode(JpegDecode* d, const std::vector<std::uint8_t>& data) {
  d->info.err = jpeg_std_error(&d->err.mgr);
  d->err.mgr.error_exit = jpegErrorExit;
  d->err.mgr.emit_message = jpegSilence;
  if (setjmp(d->err.jump)) {
    jpeg_destroy_decompress(&d->info);
    if (!d->failure) d->failure = "damaged JPEG data";
    return false;
  }
  jpeg_create_decompress(&d->info);
  jpeg_mem_src(&d->info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_save_markers(&d->info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&d->info, TRUE);
  if (!sizeAcceptable(d->info.image_width, d->info.image_height)) {
    d->failure = "JPEG image too large";
    std::longjmp(d->err.jump, 1);
  }
  d->orientation = jpegOrientation(d->info);
  d->fullWidth = static_cast<int>(d->info.image_width);
  d->fullHeight = static_cast<int>(d->info.image_height);
  if (d->headerOnly) {
    jpeg_destroy_decompress(&d->info);
    return true;
  }
  d->info.out_color_space = JCS_RGB;
  if (d->minWidth > 0 || d->minHeight > 0) {
    // Stored sides: the target is in displayed ones.
    const bool swap = swapsSides(d->orientation);
    const auto needW = static_cast<JDIMENSION>(swap ? d->minHeight : d->minWidth);
    const auto needH = static_cast<JDIMENSION>(swap ? d->minWidth : d->minHeight);
    for (unsigned num = 1; num <= 8; ++num) {
      d->info.scale_num = num;
      d->info.scale_denom = 8;
      jpeg_calc_output_dimensions(&d->info);
      if (d->info.output_width >= needW && d->info.output_height >= needH) break;
    }
  }
  jpeg_start_decompress(&d->info);
  const auto w = static_cast<std::size_t>(d->info.output_width);
  const auto h = static_cast<std::size_t>(d->info.output_height);
  d->out.width = static_cast<int>(w);
  d->out.height = static_cast<int>(h);
  d->out.rgba.assign(w * h * 4, 255);
  d->row.resize(w * 3);
  while (d->info.output_scanline < d->info.output_height) {
    const std::size_t y = d->info.output_scanline;
    JSAMPROW rows[1] = {d->row.data()};
    jpeg_read_scanlines(&d->info, rows, 1);
    std::uint8_t* dst = &d->out.rgba[y * w * 4];
    for (std::size_t x = 0; x < w; ++x) std::memcpy(dst + x * 4, &d->row[x * 3], 3);
  }
  jpeg_finish_decompress(&d->info);
  jpeg_destroy_decompress(&d->info);
  return true;
}

struct JpegEncode {
  jpeg_compress_struct info{};
  JpegError err{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<std::uint8_t> row;
};

bool runJpegEncode(JpegEncode* e, int width, int height, const std::uint8_t* rgba, int quality) {
  e->info.err = jpeg_std_error(&e->err.mgr);
  e->err.mgr.error_exit = jpegErrorExit;
  e->err.mgr.emit_message = jpegSilence;
  if (setjmp(e->err.jump)) {
    jpeg_destroy_compress(&e->info);
    return false;
  }
  jpeg_create_compress(&e->info);
  jpeg_mem_dest(&e->info, &e->buffer, &e->size);
  e->info.image_width = static_cast<JDIMENSION>(width);
  e->info.image_height = static_cast<JDIMENSION>(height);
  e->info.input_components = 3;
  e->info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&e->info);
  jpeg_set_quality(&e->info, quality, TRUE);
  jpeg_start_compress(&e->info, TRUE);
  const auto w = static_cast<std::size_t>(width);
  e->row.resize(w * 3);
  while (e->info.next_scanline < e->info.image_height) {
    const std::uint8_t* src = &rgba[e->info.next_scanline * w * 4];
    for (std::size_t x = 0; x < w; ++x) std::memcpy(&e->row[x * 3], src + x * 4, 3);
    JSAMPROW rows[1] = {e->row.data()};
    jpeg_write_scanlines(&e->info, rows, 1);
  }
  jpeg_finish_compress(&e->info);
  jpeg_destroy_compress(&e->info);
  return true;
}

Result<Bitmap> decodeJpeg(const std::vector<std::uint8_t>& data, int minWidth, int minHeight) {
  auto d = std::make_unique<JpegDecode>();
  d->minWidth = minWidth;
  d->minHeight = minHeight;
  if (!runJpegDecode(d.get(), data)) return Status::Corruption(d->failure);
  return applyOrientation(std::move(d->out), d->orientation);
}

struct PngEncode {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> bytes;
};

void pngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* e = static_cast<PngEncode*>(png_get_io_ptr(png));
  e->bytes.insert(e->bytes.end(), data, data + length);
}

void pngFlush(png_structp) {}

bool runPngEncode(PngEncode* e, int width, int height, const std::uint8_t* rgba) {
  e->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!e->png) return false;
  e->info = png_create_info_struct(e->png);
  if (!e->info) return false;
  if (setjmp(png_jmpbuf(e->png))) return false;
  png_set_write_fn(e->png, e, pngWrite, pngFlush);
  png_set_IHDR(e->png, e->info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(e->png, 3);
  png_set_filter(e->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(e->png, e->info);
  const auto stride = static_cast<std::size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    png_write_row(e->png, const_cast<png_bytep>(&rgba[static_cast<std::size_t>(y) * stride]));
  }
  png_write_end(e->png, nullptr);
  return true;
}

bool pixelsWellFormed(int width, int height, std::size_t bytes) {
  return width > 0 && height > 0 && bytes == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

Result<Bitmap> decodePng(const std::vector<std::uint8_t>& data) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    return Status::Corruption("damaged PNG data");
  }
  if (!sizeAcceptable(image.width, image.height)) {
    png_image_free(&image);
    return Status::InvalidArgument("PNG image too large");
  }
  image.format = PNG_FORMAT_RGBA;
  Bitmap out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return Status::Corruption("damaged PNG data");
  }
  return out;
}

bool isGif(const std::vector<std::uint8_t>& data) {
  return data.size() >= 6 && (std::memcmp(data.data(), "GIF87a", 6) == 0 || std::memcmp(data.data(), "GIF89a", 6) == 0);
}

}  // namespace

bool ImageCodec::isJpeg(const std::vector<std::uint8_t>& data) {
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool ImageCodec::isPng(const std::vector<std::uint8_t>& data) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return data.size() >= 8 && std::memcmp(data.data(), kSignature, 8) == 0;
}

Result<Bitmap> ImageCodec::decode(const std::vector<std::uint8_t>& data) { return decode(data, 0, 0); }

Result<Bitmap> ImageCodec::decode(const std::vector<std::uint8_t>& data, int minWidth, int minHeight) {
  if (isJpeg(data)) return decodeJpeg(data, std::max(minWidth, 0), std::max(minHeight, 0));
  if (isPng(data)) return decodePng(data);
  if (isGif(data)) {
    auto source = ImageSource::createWithData(data);
    if (!source.ok()) return source.status();
    if (source->count() == 0) return Status::Corruption("GIF without frames");
    const ImageFrame& frame = source->frameAtIndex(0);
    return Bitmap{frame.width, frame.height, frame.rgba};
  }
  return Status::InvalidArgument("not an image");
}

Result<ImageInfo> ImageCodec::readInfo(const std::vector<std::uint8_t>& data) {
  if (isJpeg(data)) {
    auto d = std::make_unique<JpegDecode>();
    d->headerOnly = true;
    if (!runJpegDecode(d.get(), data)) return Status::Corruption(d->failure);
    const bool swap = swapsSides(d->orientation);
    return ImageInfo{ImageKind::kJpeg, swap ? d->fullHeight : d->fullWidth, swap ? d->fullWidth : d->fullHeight,
                     d->orientation};
  }
  if (isPng(data)) {
    // The first chunk is IHDR: length, type, width, height (big-endian).
    if (data.size() < 24 || std::memcmp(&data[12], "IHDR", 4) != 0) return Status::Corruption("damaged PNG header");
    const auto w = readTiff(&data[16], true, 4);
    const auto h = readTiff(&data[20], true, 4);
    if (!sizeAcceptable(w, h)) return Status::Corruption("PNG size out of range");
    return ImageInfo{ImageKind::kPng, static_cast<int>(w), static_cast<int>(h), 1};
  }
  if (isGif(data)) {
    if (data.size() < 10) return Status::Corruption("damaged GIF header");
    return ImageInfo{ImageKind::kGif, static_cast<int>(readTiff(&data[6], false, 2)),
                     static_cast<int>(readTiff(&data[8], false, 2)), 1};
  }
  return Status::InvalidArgument("not an image");
}

Result<std::vector<std::uint8_t>> ImageCodec::encodePng(const Bitmap& bitmap) {
  return encodePng(bitmap.width, bitmap.height, bitmap.rgba);
}

Result<std::vector<std::uint8_t>> ImageCodec::encodePng(int width, int height, std::span<const std::uint8_t> rgba) {
  if (!pixelsWellFormed(width, height, rgba.size())) {
    return Status::InvalidArgument("bitmap size does not match its pixels");
  }
  auto e = std::make_unique<PngEncode>();
  const bool ok = runPngEncode(e.get(), width, height, rgba.data());
  png_destroy_write_struct(e->png ? &e->png : nullptr, e->info ? &e->info : nullptr);
  if (!ok) return Status::Internal("PNG encoding failed");
  return std::move(e->bytes);
}

Result<std::vector<std::uint8_t>> ImageCodec::encodeJpeg(const Bitmap& bitmap, int quality) {
  return encodeJpeg(bitmap.width, bitmap.height, bitmap.rgba, quality);
}

Result<std::vector<std::uint8_t>> ImageCodec::encodeJpeg(int width, int height, std::span<const std::uint8_t> rgba,
                                                          int quality) {
  if (!pixelsWellFormed(width, height, rgba.size())) {
    return Status::InvalidArgument("bitmap size does not match its pixels");
  }
  if (quality < 1 || quality > 100) return Status::InvalidArgument("JPEG quality must be 1...100");
  JpegEncode e;
  bool ok = runJpegEncode(&e, width, height, rgba.data(), quality);
  std::vector<std::uint8_t> bytes;
  if (ok) bytes.assign(e.buffer, e.buffer + e.size);
  std::free(e.buffer);
  if (!ok) return Status::Internal("JPEG encoding failed");
  return bytes;
}

}  // namespace platform
