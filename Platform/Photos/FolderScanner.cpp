#include "Platform/Photos/FolderScanner.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "Platform/AVFoundation/MovieHeader.h"
#include "Platform/ImageIO/ImageCodec.h"

namespace photos {
namespace {

namespace fs = std::filesystem;

// Enough for the header of nearly every JPEG (Exif included); a file whose
// header lies further is read whole.
constexpr std::size_t kHeadBytes = 256 * 1024;

std::vector<std::uint8_t> readBytes(const fs::path& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  bytes.resize(in ? limit : static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

// Exact (no "now" in the conversion), so a rescan sees the same time twice.
double secondsSince1970(fs::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::duration<double>(system.time_since_epoch()).count();
}

struct Found {
  fs::path path;
  std::string identifier;
  std::string album;
  std::int64_t size = 0;
  double modified = 0;
  bool video = false;
  std::vector<std::uint8_t> head;
};

void listFolder(const fs::path& dir, const std::string& album, std::vector<Found>* out,
                std::vector<std::pair<fs::path, std::string>>* subfolders) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeEc;
    if (it->is_directory(typeEc)) {
      if (subfolders) subfolders->emplace_back(path, name);
      continue;
    }
    if (!it->is_regular_file(typeEc)) continue;
    Found f;
    f.path = path;
    f.album = album;
    f.identifier = album.empty() ? name : album + "/" + name;
    std::error_code sizeEc;
    f.size = static_cast<std::int64_t>(fs::file_size(path, sizeEc));
    std::error_code timeEc;
    const auto mtime = fs::last_write_time(path, timeEc);
    if (!timeEc) f.modified = secondsSince1970(mtime);
    f.head = readBytes(path, kHeadBytes);
    if (platform::ImageCodec::isJpeg(f.head) || platform::ImageCodec::isPng(f.head)) {
      f.video = false;
    } else if (avfoundation::MovieHeader::hasSignature(f.head)) {
      f.video = true;
    } else {
      continue;
    }
    out->push_back(std::move(f));
  }
}

std::string stemKey(const Found& f) { return (f.path.parent_path() / f.path.stem()).string(); }

Asset::Fields fieldsOf(const Found& f, MediaType type) {
  Asset::Fields a;
  a.localIdentifier = f.identifier;
  a.mediaType = type;
  a.album = f.album;
  a.path = f.path.string();
  a.fileSize = f.size;
  a.modificationTime = f.modified;
  a.creationDate = f.modified;
  return a;
}

}  // namespace

std::vector<AssetPtr> FolderScanner::scan(const std::string& folder) {
  std::vector<Found> found;
  std::vector<std::pair<fs::path, std::string>> subfolders;
  listFolder(folder, "", &found, &subfolders);
  for (const auto& [path, name] : subfolders) listFolder(path, name, &found, nullptr);

  // Videos by stem, for pairing with stills.
  std::map<std::string, const Found*> videos;
  for (const Found& f : found) {
    if (f.video) videos.emplace(stemKey(f), &f);
  }
  std::map<const Found*, bool> paired;
  std::vector<AssetPtr> assets;
  for (const Found& f : found) {
    if (f.video) continue;
    Asset::Fields a = fieldsOf(f, MediaType::kImage);
    auto info = platform::ImageCodec::readInfo(f.head);
    if (!info.ok() && f.head.size() == kHeadBytes) info = platform::ImageCodec::readInfo(readBytes(f.path, f.size));
    if (info.ok()) {
      a.pixelWidth = info->width;
      a.pixelHeight = info->height;
    }
    auto video = videos.find(stemKey(f));
    if (video != videos.end()) {
      a.mediaSubtypes = kMediaSubtypePhotoLive;
      a.pairedVideoPath = video->second->path.string();
      paired[video->second] = true;
    }
    assets.push_back(Asset::make(std::move(a)));
  }
  for (const Found& f : found) {
    if (!f.video || paired.count(&f)) continue;
    Asset::Fields a = fieldsOf(f, MediaType::kVideo);
    auto header = avfoundation::MovieHeader::readFile(a.path);
    if (header.ok()) {
      a.duration = header->duration;
      a.pixelWidth = header->width;
      a.pixelHeight = header->height;
    }
    assets.push_back(Asset::make(std::move(a)));
  }
  std::sort(assets.begin(), assets.end(),
            [](const AssetPtr& x, const AssetPtr& y) { return x->localIdentifier() < y->localIdentifier(); });
  return assets;
}

}  // namespace photos
