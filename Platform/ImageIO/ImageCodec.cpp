#include "Platform/ImageIO/ImageCodec.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
};

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
  jpeg_read_header(&d->info, TRUE);
  if (!sizeAcceptable(d->info.image_width, d->info.image_height)) {
    d->failure = "JPEG image too large";
    std::longjmp(d->err.jump, 1);
  }
  d->info.out_color_space = JCS_RGB;
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

bool runJpegEncode(JpegEncode* e, const Bitmap& bitmap, int quality) {
  e->info.err = jpeg_std_error(&e->err.mgr);
  e->err.mgr.error_exit = jpegErrorExit;
  e->err.mgr.emit_message = jpegSilence;
  if (setjmp(e->err.jump)) {
    jpeg_destroy_compress(&e->info);
    return false;
  }
  jpeg_create_compress(&e->info);
  jpeg_mem_dest(&e->info, &e->buffer, &e->size);
  e->info.image_width = static_cast<JDIMENSION>(bitmap.width);
  e->info.image_height = static_cast<JDIMENSION>(bitmap.height);
  e->info.input_components = 3;
  e->info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&e->info);
  jpeg_set_quality(&e->info, quality, TRUE);
  jpeg_start_compress(&e->info, TRUE);
  const auto w = static_cast<std::size_t>(bitmap.width);
  e->row.resize(w * 3);
  while (e->info.next_scanline < e->info.image_height) {
    const std::uint8_t* src = &bitmap.rgba[e->info.next_scanline * w * 4];
    for (std::size_t x = 0; x < w; ++x) std::memcpy(&e->row[x * 3], src + x * 4, 3);
    JSAMPROW rows[1] = {e->row.data()};
    jpeg_write_scanlines(&e->info, rows, 1);
  }
  jpeg_finish_compress(&e->info);
  jpeg_destroy_compress(&e->info);
  return true;
}

Result<Bitmap> decodeJpeg(const std::vector<std::uint8_t>& data) {
  JpegDecode d;
  if (!runJpegDecode(&d, data)) return Status::Corruption(d.failure);
  return std::move(d.out);
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

Result<Bitmap> ImageCodec::decode(const std::vector<std::uint8_t>& data) {
  if (isJpeg(data)) return decodeJpeg(data);
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

Result<std::vector<std::uint8_t>> ImageCodec::encodeJpeg(const Bitmap& bitmap, int quality) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.rgba.size() != static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height) * 4) {
    return Status::InvalidArgument("bitmap size does not match its pixels");
  }
  if (quality < 1 || quality > 100) return Status::InvalidArgument("JPEG quality must be 1...100");
  JpegEncode e;
  bool ok = runJpegEncode(&e, bitmap, quality);
  std::vector<std::uint8_t> bytes;
  if (ok) bytes.assign(e.buffer, e.buffer + e.size);
  std::free(e.buffer);
  if (!ok) return Status::Internal("JPEG encoding failed");
  return bytes;
}

}  // namespace platform
