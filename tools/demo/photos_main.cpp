// demo-photos <folder> <count>
// Writes count photo-like JPEG pictures, photo-1.jpg on, into the folder (made
// when missing): the demo's photo library. Sizes alternate between landscape
// and portrait; the same count gives the same pixels.
#include <cstdio>
#include <string>

#include "tests/support/PhotoFixture.h"

int main(int argc, char** argv) {
  const std::string count = argc == 3 ? argv[2] : "";
  if (count.empty() || count.size() > 2 || count.find_first_not_of("0123456789") != std::string::npos) {
    std::fprintf(stderr, "usage: demo-photos <folder> <count 1-99>\n");
    return 2;
  }
  const int photos = std::stoi(count);
  for (int i = 1; i <= photos; ++i) {
    const bool portrait = i % 2 == 0;
    auto bitmap = facility_test::PhotoFixture::photoLike(portrait ? 480 : 640, portrait ? 640 : 480,
                                                         static_cast<unsigned>(i));
    const std::string path = std::string(argv[1]) + "/photo-" + std::to_string(i) + ".jpg";
    auto written = facility_test::PhotoFixture::writeFile(path, facility_test::PhotoFixture::jpeg(bitmap));
    if (!written.ok()) {
      std::fprintf(stderr, "demo-photos: %s\n", written.message().c_str());
      return 1;
    }
  }
  return 0;
}
