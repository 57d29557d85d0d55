#include "tests/support/PlateRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <fstream>


namespace facility_test {

using platform::Result;
using platform::Status;

namespace {

struct Glyph {
  int left = 0;  // pixel x of the bitmap's left edge, pen origin at 0
  int top = 0;   // pixel y of the bitmap's top edge, baseline at 0, down positive
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;
};

struct FreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~FreeType() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

// Decodes UTF-8 into code points; invalid bytes become U+FFFD.
std::vector<char32_t> codePoints(const std::string& text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > text.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? c : c & (0x7F >> len);
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((cc >> 6) != 2) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    out.push_back(ok ? cp : 0xFFFD);
    i += ok ? static_cast<std::size_t>(len) : 1;
  }
  return out;
}

}  // namespace

Result<platform::Bitmap> PlateRenderer::renderBitmap(const std::string& text, std::optional<CanvasSize> canvas) {
  FreeType ft;
  if (FT_Init_FreeType(&ft.library)) return Status::Internal("FreeType cannot start");
  if (FT_New_Face(ft.library, kFontPath, 0, &ft.face)) {
    return Status::NotFound(std::string("font not found: ") + kFontPath);
  }
  if (FT_Set_Pixel_Sizes(ft.face, 0, kPixelSize)) return Status::Internal("font size cannot be set");

  std::vector<Glyph> glyphs;
  long pen = 0;  // 26.6
  int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
  FT_UInt previous = 0;
  for (char32_t cp : codePoints(text)) {
    FT_UInt index = FT_Get_Char_Index(ft.face, cp);
    if (previous && index && FT_HAS_KERNING(ft.face)) {
      FT_Vector kern;
      if (!FT_Get_Kerning(ft.face, previous, index, FT_KERNING_DEFAULT, &kern)) pen += kern.x;
    }
    if (FT_Load_Glyph(ft.face, index, FT_LOAD_RENDER)) return Status::Internal("glyph cannot be drawn");
    const FT_GlyphSlot slot = ft.face->glyph;
    Glyph g;
    g.left = static_cast<int>(pen >> 6) + slot->bitmap_left;
    g.top = -slot->bitmap_top;
    g.width = static_cast<int>(slot->bitmap.width);
    g.rows = static_cast<int>(slot->bitmap.rows);
    g.coverage.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
    for (int y = 0; y < g.rows; ++y) {
      const unsigned char* row = slot->bitmap.buffer + static_cast<long>(y) * slot->bitmap.pitch;
      std::copy(row, row + g.width, g.coverage.begin() + static_cast<long>(y) * g.width);
    }
    if (g.width > 0 && g.rows > 0) {
      minX = std::min(minX, g.left);
      maxX = std::max(maxX, g.left + g.width);
      minY = std::min(minY, g.top);
      maxY = std::max(maxY, g.top + g.rows);
    }
    pen += slot->advance.x;
    previous = index;
    glyphs.push_back(std::move(g));
  }
  if (minX > maxX) {
    // No ink (a blank plate): the advance by the line's height.
    minX = 0;
    maxX = std::max(1, static_cast<int>(pen >> 6));
    minY = -static_cast<int>(ft.face->size->metrics.ascender >> 6);
    maxY = -static_cast<int>(ft.face->size->metrics.descender >> 6);
  }
  const int plateW = maxX - minX + 2 * kMargin;
  const int plateH = maxY - minY + 2 * kMargin;
  int width = plateW, height = plateH;
  if (canvas) {
    if (canvas->width < plateW || canvas->height < plateH) {
      return Status::InvalidArgument("canvas " + std::to_string(canvas->width) + "x" + std::to_string(canvas->height) +
                                     " is smaller than the plate " + std::to_string(plateW) + "x" +
                                     std::to_string(plateH));
    }
    width = canvas->width;
    height = canvas->height;
  }
  const int originX = (width - plateW) / 2 + kMargin - minX;
  const int originY = (height - plateH) / 2 + kMargin - minY;
  platform::Bitmap bitmap{width, height,
                          std::vector<std::uint8_t>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 255)};
  for (const Glyph& g : glyphs) {
    for (int y = 0; y < g.rows; ++y) {
      for (int x = 0; x < g.width; ++x) {
        const std::uint8_t cover = g.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width) + static_cast<std::size_t>(x)];
        if (!cover) continue;
        const int px = originX + g.left + x, py = originY + g.top + y;
        std::uint8_t* p = &bitmap.rgba[(static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px)) * 4];
        // Overlapping glyph edges keep the darker value.
        const auto ink = static_cast<std::uint8_t>(255 - cover);
        for (int k = 0; k < 3; ++k) p[k] = std::min(p[k], ink);
      }
    }
  }
  return bitmap;
}

Result<std::vector<std::uint8_t>> PlateRenderer::renderJpeg(const std::string& text, std::optional<CanvasSize> canvas) {
  auto bitmap = renderBitmap(text, canvas);
  if (!bitmap.ok()) return bitmap.status();
  return platform::ImageCodec::encodeJpeg(*bitmap, kJpegQuality);
}

Status PlateRenderer::writeJpeg(const std::string& text, const std::string& path, std::optional<CanvasSize> canvas) {
  auto jpeg = renderJpeg(text, canvas);
  if (!jpeg.ok()) return jpeg.status();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(jpeg->data()), static_cast<std::streamsize>(jpeg->size()));
  out.close();
  if (!out) return Status::IOError("cannot write " + path);
  return Status::OK();
}

}  // namespace facility_test
