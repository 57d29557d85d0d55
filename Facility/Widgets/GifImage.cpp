#include "Facility/Widgets/GifImage.h"

#include <numeric>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/URL.h"

namespace {

GifImage::Completion& storedCompletion() {
  static auto* c = new GifImage::Completion();
  return *c;
}

}  // namespace

double GifImage::delayForFrame(const std::optional<platform::GifFrameProperties>& gif) {
  double delay = 0.1;
  if (gif) {
    delay = gif->unclampedDelayTime;
    if (delay == 0) delay = gif->delayTime;
  }
  return std::max(delay, 0.1);
}

GifImage::Timeline GifImage::timeline(const std::vector<double>& delays) {
  std::vector<long> units;
  for (double d : delays) units.push_back(static_cast<long>(d * 500));
  long g = 0;
  for (long u : units) g = std::gcd(g, u);
  if (g == 0) g = 1;
  Timeline t;
  long total = 0;
  for (std::size_t i = 0; i < units.size(); ++i) {
    for (long k = 0; k < units[i] / g; ++k) t.frames.push_back(i);
    total += units[i];
  }
  t.duration = static_cast<double>(total) / 1000.0;
  return t;
}

uikit::ImagePtr GifImage::gifImage(const std::vector<std::uint8_t>& data) {
  auto source = platform::ImageSource::createWithData(data);
  if (!source.ok()) return nullptr;
  std::vector<uikit::ImagePtr> images;
  std::vector<double> delays;
  for (std::size_t i = 0; i < source->count(); ++i) {
    const auto& frame = source->frameAtIndex(i);
    auto image = uikit::Image::fromBitmap(frame.width, frame.height, frame.rgba);
    if (!image) continue;
    images.push_back(image);
    delays.push_back(delayForFrame(frame.gif));
  }
  if (images.empty()) return nullptr;
  Timeline t = timeline(delays);
  std::vector<uikit::ImagePtr> frames;
  for (std::size_t i : t.frames) frames.push_back(images[i]);
  auto animated = uikit::Image::animated(std::move(frames), t.duration);
  if (Completion c = storedCompletion()) platform::DispatchQueue::main()->after(t.duration, std::move(c));
  return animated;
}

uikit::ImagePtr GifImage::gifImageFromURL(const std::string& fileURLOrPath) {
  std::string path = fileURLOrPath;
  if (path.rfind("file://", 0) == 0) {
    // A file URL carries its path percent-encoded.
    auto url = platform::URL::fromString(fileURLOrPath);
    if (!url) return nullptr;
    path = url->path();
  }
  auto bytes = platform::FileManager::defaultManager().contentsAtPath(path);
  if (!bytes.ok()) return nullptr;
  return gifImage(*bytes);
}

uikit::ImagePtr GifImage::gifImageNamed(const std::string& name, Completion completion) {
  auto path = platform::Bundle::main().pathForResource(name, "gif");
  if (!path) return nullptr;
  storedCompletion() = std::move(completion);
  return gifImageFromURL(*path);
}
