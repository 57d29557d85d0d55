#include "Platform/ImageIO/ImageSource.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

struct Reader {
  const std::vector<std::uint8_t>* data;
  std::size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* r = static_cast<Reader*>(gif->UserData);
  std::size_t n = std::min(static_cast<std::size_t>(std::max(length, 0)), r->data->size() - r->pos);
  std::memcpy(out, r->data->data() + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

constexpr long long kMaxCanvasPixels = 64LL * 1024 * 1024;
constexpr unsigned long long kMaxDecodedBytes = 256ULL * 1024 * 1024;

}  // namespace

Result<ImageSource> ImageSource::createWithData(const std::vector<std::uint8_t>& data) {
  if (data.size() < 6) return Status::InvalidArgument("not an animated image");
  Reader reader{&data};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
  if (!gif) return Status::InvalidArgument("not an animated image");
  auto fail = [gif](Status status) {
    int closeError = 0;
    DGifCloseFile(gif, &closeError);
    return status;
  };
  ImageSource source;
  source.width_ = gif->SWidth;
  source.height_ = gif->SHeight;
  // The screen size is known from the header alone: refuse absurd canvases
  // from corrupt headers before decoding any frame data.
  if (source.width_ <= 0 || source.height_ <= 0 ||
      static_cast<long long>(source.width_) * source.height_ > kMaxCanvasPixels) {
    return fail(Status::Corruption("animated image has no usable canvas"));
  }
  if (DGifSlurp(gif) != GIF_OK) return fail(Status::Corruption("unreadable animated image"));
  const std::size_t canvasBytes = static_cast<std::size_t>(source.width_) * source.height_ * 4;
  // Every frame is a full composite, so memory grows with frames x canvas.
  if (gif->ImageCount > 0 &&
      static_cast<unsigned long long>(gif->ImageCount) * canvasBytes > kMaxDecodedBytes) {
    return fail(Status::InvalidArgument("animated image too large to decode"));
  }
  std::vector<std::uint8_t> canvas(canvasBytes, 0);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    bool hasGcb = DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK;
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (!map || !image.RasterBits) continue;  // a frame that cannot be made is skipped
    // Only frames that restore the previous state need a snapshot of it.
    std::vector<std::uint8_t> previous;
    if (hasGcb && gcb.DisposalMode == DISPOSE_PREVIOUS) previous = canvas;
    const GifImageDesc& d = image.ImageDesc;
    for (int y = 0; y < d.Height; ++y) {
      int cy = d.Top + y;
      if (cy < 0 || cy >= source.height_) continue;
      for (int x = 0; x < d.Width; ++x) {
        int cx = d.Left + x;
        if (cx < 0 || cx >= source.width_) continue;
        int index = image.RasterBits[static_cast<std::size_t>(y) * d.Width + x];
        if (hasGcb && index == gcb.TransparentColor) continue;
        if (index < 0 || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        std::uint8_t* px = &canvas[(static_cast<std::size_t>(cy) * source.width_ + cx) * 4];
        px[0] = c.Red;
        px[1] = c.Green;
        px[2] = c.Blue;
        px[3] = 255;
      }
    }
    ImageFrame frame;
    frame.width = source.width_;
    frame.height = source.height_;
    frame.rgba = canvas;
    if (hasGcb) {
      GifFrameProperties p;
      p.unclampedDelayTime = gcb.DelayTime / 100.0;
      p.delayTime = p.unclampedDelayTime < 0.011 ? 0.1 : p.unclampedDelayTime;
      frame.gif = p;
    }
    source.frames_.push_back(std::move(frame));
    if (hasGcb && gcb.DisposalMode == DISPOSE_BACKGROUND) {
      for (int y = std::max(0, d.Top); y < std::min(source.height_, d.Top + d.Height); ++y) {
        for (int x = std::max(0, d.Left); x < std::min(source.width_, d.Left + d.Width); ++x) {
          std::memset(&canvas[(static_cast<std::size_t>(y) * source.width_ + x) * 4], 0, 4);
        }
      }
    } else if (hasGcb && gcb.DisposalMode == DISPOSE_PREVIOUS) {
      canvas = std::move(previous);
    }
  }
  int closeError = 0;
  DGifCloseFile(gif, &closeError);
  return source;
}

}  // namespace platform
