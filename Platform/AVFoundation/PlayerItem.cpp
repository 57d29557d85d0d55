#include "Platform/AVFoundation/PlayerItem.h"

#include <atomic>

namespace avfoundation {
namespace {
std::atomic<std::int64_t> gNextItem{1};
}

PlayerItem::PlayerItem(AssetPtr asset) : asset_(std::move(asset)), id_(gNextItem.fetch_add(1)) {}

}  // namespace avfoundation
