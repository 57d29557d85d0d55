// Writes small GIFs in memory for tests: each frame a solid colour with an
// optional delay (centiseconds; absent: no graphics control block).
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace gif_test {

struct FrameSpec {
  std::uint8_t colorIndex;
  std::optional<int> delayCentiseconds;
};

inline int writeToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

inline std::vector<std::uint8_t> makeGif(int w, int h, const std::vector<FrameSpec>& frames) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writeToVector, &error);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 2, 0, map);
  for (const auto& f : frames) {
    if (f.delayCentiseconds) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
      gcb.TransparentColor = NO_TRANSPARENT_COLOR;
      gcb.DelayTime = *f.delayCentiseconds;
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(w), f.colorIndex);
    for (int y = 0; y < h; ++y) EGifPutLine(gif, line.data(), w);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// A large logical screen holding `frames` tiny 1x1 frames: small on disk,
// large once every frame is composited onto the full canvas.
inline std::vector<std::uint8_t> makeSparseGif(int screenW, int screenH, int frames) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, writeToVector, &error);
  GifColorType colors[2] = {{0, 0, 0}, {255, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(2, colors);
  EGifPutScreenDesc(gif, screenW, screenH, 1, 0, map);
  for (int i = 0; i < frames; ++i) {
    EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr);
    GifPixelType pixel = 1;
    EGifPutLine(gif, &pixel, 1);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace gif_test
