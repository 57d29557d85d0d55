#include "Platform/AVFoundation/Player.h"

#include <algorithm>

#include "Platform/AVFoundation/URLAsset.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace avfoundation {

std::shared_ptr<Player> Player::withURL(const std::string& url) {
  const std::string kScheme = "file://";
  std::string path = url.rfind(kScheme, 0) == 0 ? url.substr(kScheme.size()) : url;
  return std::make_shared<Player>(std::make_shared<PlayerItem>(std::make_shared<URLAsset>(std::move(path))));
}

Player::Player(std::shared_ptr<PlayerItem> item) : item_(std::move(item)) {}

Player::~Player() {
  if (endItem_) endItem_->cancel();
}

double Player::currentTime() const {
  const double duration = item_ ? item_->duration() : 0;
  double t = base_;
  if (playing_) t += platform::Clock::currentShared()->uptime() - startUptime_;
  return std::clamp(t, 0.0, duration);
}

void Player::play() {
  if (playing_ || !item_) return;
  base_ = currentTime();
  startUptime_ = platform::Clock::currentShared()->uptime();
  playing_ = true;
  scheduleEnd();
}

void Player::pause() {
  if (!playing_) return;
  base_ = currentTime();
  playing_ = false;
  if (endItem_) endItem_->cancel();
  endItem_.reset();
}

void Player::seekToTime(double seconds) {
  const double duration = item_ ? item_->duration() : 0;
  base_ = std::clamp(seconds, 0.0, duration);
  if (playing_) {
    startUptime_ = platform::Clock::currentShared()->uptime();
    scheduleEnd();
  }
}

void Player::scheduleEnd() {
  if (endItem_) endItem_->cancel();
  const double remaining = std::max(0.0, item_->duration() - base_);
  std::weak_ptr<Player> weak = weak_from_this();
  endItem_ = platform::DispatchQueue::main()->after(remaining, [weak] {
    if (auto self = weak.lock()) self->reachEnd();
  });
}

void Player::reachEnd() {
  if (!playing_) return;
  base_ = item_->duration();
  playing_ = false;
  endItem_.reset();
  platform::NotificationUserInfo info;
  info["item"] = platform::Value(static_cast<std::int64_t>(item_->identifier()));
  platform::NotificationCenter::defaultCenter().post(kPlayerItemDidPlayToEndTimeNotification, std::move(info));
}

}  // namespace avfoundation
