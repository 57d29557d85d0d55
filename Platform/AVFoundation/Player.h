// Plays an item on the injected clock: nothing is rendered, but the time
// runs while playing, stops at the item's duration, and reaching it posts the
// end notification on the main loop. Use on the main thread.
#pragma once

#include <memory>
#include <string>

#include "Platform/AVFoundation/PlayerItem.h"
#include "Platform/Foundation/DispatchWorkItem.h"

namespace avfoundation {

class Player : public std::enable_shared_from_this<Player> {
 public:
  // An item for the file at the URL ("file://" + path, or a plain path).
  static std::shared_ptr<Player> withURL(const std::string& url);
  explicit Player(std::shared_ptr<PlayerItem> item);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  const std::shared_ptr<PlayerItem>& currentItem() const { return item_; }
  void play();
  void pause();
  // Clamped to 0...duration. Playing on from the new time.
  void seekToTime(double seconds);
  double currentTime() const;
  // 1 while playing, 0 paused.
  double rate() const { return playing_ ? 1.0 : 0.0; }
  bool isPlaying() const { return playing_; }

 private:
  void scheduleEnd();
  void reachEnd();

  std::shared_ptr<PlayerItem> item_;
  bool playing_ = false;
  double base_ = 0;       // time at startUptime_
  double startUptime_ = 0;
  platform::DispatchWorkItemPtr endItem_;
};

}  // namespace avfoundation
