// make-plate "<text>" <out.jpg> [<width>x<height>]
// Writes a plate photo of the text for the camera source folder.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/PlateRenderer.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: make-plate \"<text>\" <out.jpg> [<width>x<height>]\n");
  return 2;
}

std::optional<facility_test::CanvasSize> parseSize(const std::string& s) {
  auto x = s.find('x');
  if (x == std::string::npos || x == 0 || x + 1 == s.size()) return std::nullopt;
  auto number = [](const std::string& part) -> std::optional<int> {
    if (part.empty() || part.size() > 6 || part.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::atoi(part.c_str());
  };
  auto w = number(s.substr(0, x));
  auto h = number(s.substr(x + 1));
  if (!w || !h || *w <= 0 || *h <= 0) return std::nullopt;
  return facility_test::CanvasSize{*w, *h};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) return usage();
  std::optional<facility_test::CanvasSize> canvas;
  if (argc == 4) {
    canvas = parseSize(argv[3]);
    if (!canvas) {
      std::fprintf(stderr, "make-plate: bad size \"%s\" (want <width>x<height>)\n", argv[3]);
      return 2;
    }
  }
  auto status = facility_test::PlateRenderer::writeJpeg(argv[1], argv[2], canvas);
  if (!status.ok()) {
    std::fprintf(stderr, "make-plate: %s\n", status.message().c_str());
    return 1;
  }
  return 0;
}
