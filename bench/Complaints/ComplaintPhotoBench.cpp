// Preparing one 4000x3000 photo for a complaint upload (shrink loop, decode,
// PNG, Base64, JSON text) against the codec work it cannot avoid, made
// directly on the same pixels in the same run: the JPEG encodes at the
// qualities the loop used, the decode of the last one and the PNG encode.
// The target is a ratio of at most 1.3; it is reported, not enforced. The
// preparation runs on the main queue, so its absolute time is printed too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "Facility/Screens/ComplaintPhotoUpload.h"
#include "Platform/ImageIO/ImageCodec.h"
#include "tests/support/PhotoFixture.h"

namespace {

constexpr double kAllowedRatio = 1.3;

double preparedSeconds = 0;
double directSeconds = 0;
std::size_t encodesPerPhoto = 0;
std::size_t uploadBytes = 0;
std::size_t runs = 0;

struct Setup {
  platform::Bitmap bitmap;
  uikit::ImagePtr image;
  // The loop's JPEG qualities on the codec's 1...100 scale.
  std::vector<int> qualities;
};

Setup& setup() {
  static Setup* s = [] {
    auto* out = new Setup();
    out->bitmap = facility_test::PhotoFixture::photoLike(4000, 3000, 42);
    out->image = uikit::Image::fromBitmap(out->bitmap.width, out->bitmap.height, out->bitmap.rgba);
    // One untimed pass tells which qualities the loop goes through.
    const auto real = ComplaintPhotoUpload::jpegEncoder();
    ComplaintPhotoUpload::shrinkImageForUpload(
        *out->image,
        [&](const uikit::Image& image, double quality) {
          out->qualities.push_back(std::clamp(static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0)), 1,
                                              100));
          return real(image, quality);
        },
        ComplaintPhotoUpload::imageDecoder());
    return out;
  }();
  return *s;
}

bool prepared(const Setup& s) {
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  auto shrunk = ComplaintPhotoUpload::shrinkImageForUpload(*s.image);
  const std::string text = shrunk ? ComplaintPhotoUpload::uploadText({shrunk}) : std::string();
  preparedSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
  uploadBytes = text.size();
  return text.size() > 4;
}

bool direct(const Setup& s) {
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  std::vector<std::uint8_t> last;
  for (int quality : s.qualities) {
    auto bytes = platform::ImageCodec::encodeJpeg(s.bitmap, quality);
    if (!bytes.ok()) return false;
    last = std::move(*bytes);
  }
  auto decoded = platform::ImageCodec::decode(last);
  if (!decoded.ok()) return false;
  auto png = platform::ImageCodec::encodePng(*decoded);
  directSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
  return png.ok();
}

void BM_PrepareUploadAgainstDirectCoding(benchmark::State& state) {
  Setup& s = setup();
  encodesPerPhoto = s.qualities.size();
  bool preparedFirst = true;
  for (auto _ : state) {
    const bool ok = preparedFirst ? (prepared(s) && direct(s)) : (direct(s) && prepared(s));
    preparedFirst = !preparedFirst;
    if (!ok) {
      state.SkipWithError("a photo could not be prepared or coded");
      break;
    }
    ++runs;
  }
  const auto n = static_cast<double>(std::max<std::size_t>(runs, 1));
  state.counters["prepared_ms"] = preparedSeconds / n * 1e3;
  state.counters["direct_ms"] = directSeconds / n * 1e3;
  state.counters["ratio"] = directSeconds > 0 ? preparedSeconds / directSeconds : 0;
  state.counters["jpeg_encodes"] = static_cast<double>(encodesPerPhoto);
}
BENCHMARK(BM_PrepareUploadAgainstDirectCoding)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (directSeconds > 0 && runs > 0) {
    const double ratio = preparedSeconds / directSeconds;
    std::printf(
        "bench_complaints: preparing a 4000x3000 photo takes %.0f ms on the main queue (%zu JPEG encodes, upload "
        "text %.2f MB); / direct coding %.0f ms = %.3f (target at most %.2f: %s)\n",
        preparedSeconds / static_cast<double>(runs) * 1e3, encodesPerPhoto, static_cast<double>(uploadBytes) / 1e6,
        directSeconds / static_cast<double>(runs) * 1e3, ratio, kAllowedRatio,
        ratio <= kAllowedRatio ? "met" : "NOT met");
  }
  return 0;
}
