// The library's decoded pictures, least recently used first out, bounded in
// bytes. Thread-safe. Keys: asset identifier and pixel size (a fit and a
// fill picture of one size are the same picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "Platform/UIKit/Image.h"

namespace photos {

class ImageCache {
 public:
  static constexpr std::size_t kDefaultLimitBytes = 64u * 1024u * 1024u;
  explicit ImageCache(std::size_t limitBytes = kDefaultLimitBytes) : limit_(limitBytes) {}

  uikit::ImagePtr find(const std::string& assetId, int width, int height);
  // The largest cached picture of the asset smaller than width x height (any
  // mode), none when there is none.
  uikit::ImagePtr findSmaller(const std::string& assetId, int width, int height);
  // A picture larger than the limit is not kept.
  void insert(const std::string& assetId, const uikit::ImagePtr& image);
  void removeAsset(const std::string& assetId);
  void removeAll();

  // Counts removeAll calls, so work queued before one can tell.
  std::uint64_t generation() const;
  std::size_t bytes() const;
  std::size_t limitBytes() const { return limit_; }
  std::size_t count() const;

 private:
  struct Entry {
    std::string key;
    std::string assetId;
    uikit::ImagePtr image;
    std::size_t bytes;
  };
  static std::string keyOf(const std::string& assetId, int width, int height);
  void evictLocked();

  std::size_t limit_;
  mutable std::mutex mu_;
  std::list<Entry> lru_;  // most recent first
  std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
  std::size_t bytes_ = 0;
  std::uint64_t generation_ = 0;
};

}  // namespace photos
