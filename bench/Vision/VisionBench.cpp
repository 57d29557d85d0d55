// Text recognition through the Vision stand-in against Tesseract's own calls
// on the same bitmap: a plate centred on a 1280 x 960 canvas. The stand-in
// may cost at most 1.1 times the direct calls; the run prints whether it
// does (a verdict, not an exit status: a busy machine must not fail a
// build). The engine's load is measured on its own.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Vision/TesseractTextRecognizer.h"
#include "Platform/Vision/VNImageRequestHandler.h"
#include "Platform/Vision/VNRecognizeTextRequest.h"
#include "tests/support/PlateRenderer.h"

namespace {

constexpr const char* kPlate = "MH 12 AB 1234";
constexpr double kAllowedRatio = 1.1;

const std::shared_ptr<const platform::Bitmap>& plate() {
  static const auto bitmap = [] {
    auto b = facility_test::PlateRenderer::renderBitmap(kPlate, facility_test::CanvasSize{1280, 960});
    if (!b.ok()) {
      std::fprintf(stderr, "bench_vision: %s\n", b.status().message().c_str());
      std::exit(1);
    }
    return std::make_shared<const platform::Bitmap>(std::move(b).value());
  }();
  return bitmap;
}

// Tesseract used directly, set up as the stand-in sets it up.
std::unique_ptr<tesseract::TessBaseAPI> directEngine() {
  setMsgSeverity(L_SEVERITY_NONE);
  auto api = std::make_unique<tesseract::TessBaseAPI>();
  std::vector<std::string> names{"debug_file"}, values{"/dev/null"};
  if (api->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) return nullptr;
  api->SetPageSegMode(tesseract::PSM_AUTO);
  return api;
}

std::string directRecognise(tesseract::TessBaseAPI& api, const platform::Bitmap& b) {
  vision::TesseractTextRecognizer::runOnCallingThreadOnly();
  api.SetImage(b.rgba.data(), b.width, b.height, 4, b.width * 4);
  api.Recognize(nullptr);
  std::string first;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (it) {
    do {
      std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
      float confidence = it->Confidence(tesseract::RIL_TEXTLINE);
      benchmark::DoNotOptimize(confidence);
      if (text && first.empty()) first = text.get();
    } while (it->Next(tesseract::RIL_TEXTLINE));
  }
  api.Clear();
  while (!first.empty() && first.back() == '\n') first.pop_back();
  return first;
}

std::string visionRecognise(const std::shared_ptr<const platform::Bitmap>& b) {
  std::string first;
  auto request = std::make_shared<vision::VNRecognizeTextRequest>([&first](vision::VNRecognizeTextRequest& r,
                                                                          const platform::Status&) {
    for (const auto& o : r.results()) {
      auto top = o.topCandidates(1);
      if (!top.empty()) {
        first = top[0].string;
        break;
      }
    }
  });
  vision::VNImageRequestHandler handler(b);
  if (!handler.perform({request}).ok()) return "<failed>";
  return first;
}

double vision_seconds = 0;
double direct_seconds = 0;

void BM_EngineLoad(benchmark::State& state) {
  for (auto _ : state) {
    auto api = directEngine();
    if (!api) state.SkipWithError("language data could not be loaded");
    else api->End();
  }
}
BENCHMARK(BM_EngineLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

// Both paths in the same run, interleaved so machine load hits them alike.
void BM_VisionAgainstTesseract(benchmark::State& state) {
  auto api = directEngine();
  if (!api || !vision::TesseractTextRecognizer::shared()->load().ok()) {
    state.SkipWithError("language data could not be loaded");
    return;
  }
  const auto& image = plate();
  const platform::Bitmap& b = *image;
  using Clock = std::chrono::steady_clock;
  vision_seconds = direct_seconds = 0;
  // One untimed pass each, then the order alternates: whichever runs first
  // in a pair was seen to pay more, so neither path always does.
  visionRecognise(image);
  directRecognise(*api, b);
  bool visionFirst = true;
  for (auto _ : state) {
    std::string viaVision, direct;
    auto timeVision = [&] {
      auto t0 = Clock::now();
      viaVision = visionRecognise(image);
      vision_seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    };
    auto timeDirect = [&] {
      auto t0 = Clock::now();
      direct = directRecognise(*api, b);
      direct_seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    };
    if (visionFirst) {
      timeVision();
      timeDirect();
    } else {
      timeDirect();
      timeVision();
    }
    visionFirst = !visionFirst;
    if (viaVision != kPlate || direct != kPlate) {
      state.SkipWithError(("read \"" + viaVision + "\" / \"" + direct + "\"").c_str());
      break;
    }
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["vision_ms"] = vision_seconds / n * 1e3;
  state.counters["tesseract_ms"] = direct_seconds / n * 1e3;
  state.counters["ratio"] = direct_seconds > 0 ? vision_seconds / direct_seconds : 0;
}
BENCHMARK(BM_VisionAgainstTesseract)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (direct_seconds > 0) {
    const double ratio = vision_seconds / direct_seconds;
    std::printf("bench_vision: stand-in / Tesseract = %.3f (target at most %.2f: %s)\n", ratio, kAllowedRatio,
                ratio <= kAllowedRatio ? "met" : "NOT met");
  }
  return 0;
}
