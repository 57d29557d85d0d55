// A grid thumbnail (371 px, aspect fill) of a 4000x3000 photo-like JPEG
// through the library's image manager, against a full-size decode of the
// same file, in the same run. The target is a ratio of at most 0.6; it is
// reported, not enforced.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Platform/ImageIO/ImageCodec.h"
#include "Platform/Photos/ImageCache.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "tests/support/PhotoFixture.h"

namespace {

constexpr double kAllowedRatio = 0.6;
constexpr double kSide = 371;

double thumbSeconds = 0;
double fullSeconds = 0;
std::size_t fileBytes = 0;

struct Setup {
  std::filesystem::path folder;
  std::shared_ptr<photos::PhotoLibrary> library;
  std::vector<std::uint8_t> bytes;
};

Setup& setup() {
  static Setup* s = [] {
    auto* out = new Setup();
    out->folder = std::filesystem::temp_directory_path() / ("bench-photos-" + std::to_string(::getpid()));
    std::filesystem::create_directories(out->folder);
    out->bytes = facility_test::PhotoFixture::jpeg(facility_test::PhotoFixture::photoLike(4000, 3000, 42), 90);
    fileBytes = out->bytes.size();
    (void)facility_test::PhotoFixture::writeFile((out->folder / "photo.jpg").string(), out->bytes);
    out->library = photos::PhotoLibrary::create(out->folder.string());
    return out;
  }();
  return *s;
}

std::vector<std::uint8_t> readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_ThumbnailAgainstFullDecode(benchmark::State& state) {
  Setup& s = setup();
  auto asset = s.library->snapshot()->assetWithIdentifier("photo.jpg");
  if (!asset) {
    state.SkipWithError("the generated photo is not in the library");
    return;
  }
  photos::ImageManager manager(s.library);
  auto opts = std::make_shared<photos::ImageRequestOptions>();
  opts->synchronous = true;
  using Clock = std::chrono::steady_clock;
  auto thumbnail = [&] {
    s.library->imageCache()->removeAll();  // every pass decodes
    uikit::ImagePtr got;
    auto t0 = Clock::now();
    manager.requestImage(asset, {kSide, kSide}, photos::ImageContentMode::kAspectFill, opts,
                         [&](uikit::ImagePtr image, const photos::ImageResultInfo&) { got = image; });
    thumbSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
    return got;
  };
  auto full = [&] {
    auto t0 = Clock::now();
    auto bitmap = platform::ImageCodec::decode(readAll(s.folder / "photo.jpg"));
    fullSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
    return bitmap.ok() ? bitmap->width : 0;
  };
  thumbnail();
  full();
  thumbSeconds = fullSeconds = 0;
  bool thumbFirst = true;
  for (auto _ : state) {
    uikit::ImagePtr image;
    int width = 0;
    if (thumbFirst) {
      image = thumbnail();
      width = full();
    } else {
      width = full();
      image = thumbnail();
    }
    thumbFirst = !thumbFirst;
    if (!image || image->pixelHeight() != static_cast<int>(kSide) || width != 4000) {
      state.SkipWithError("wrong thumbnail or decode");
      break;
    }
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["thumbnail_ms"] = thumbSeconds / n * 1e3;
  state.counters["full_ms"] = fullSeconds / n * 1e3;
  state.counters["ratio"] = fullSeconds > 0 ? thumbSeconds / fullSeconds : 0;
  state.counters["jpeg_MB"] = static_cast<double>(fileBytes) / 1e6;
}
BENCHMARK(BM_ThumbnailAgainstFullDecode)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (fullSeconds > 0) {
    const double ratio = thumbSeconds / fullSeconds;
    std::printf("bench_photos: %.0f-px thumbnail / full decode = %.3f (target at most %.2f: %s); JPEG %.2f MB\n",
                kSide, ratio, kAllowedRatio, ratio <= kAllowedRatio ? "met" : "NOT met",
                static_cast<double>(fileBytes) / 1e6);
  }
  std::error_code ec;
  std::filesystem::remove_all(setup().folder, ec);
  return 0;
}
