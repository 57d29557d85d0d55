// Told when a live photo view starts and ends playing its motion.
#pragma once

namespace photosui {

class LivePhotoView;
enum class LivePhotoViewPlaybackStyle : int { kUndefined = 0, kFull = 1, kHint = 2 };

class LivePhotoViewDelegate {
 public:
  virtual ~LivePhotoViewDelegate() = default;
  virtual void livePhotoViewWillBeginPlayback(LivePhotoView&, LivePhotoViewPlaybackStyle) {}
  virtual void livePhotoViewDidEndPlayback(LivePhotoView&, LivePhotoViewPlaybackStyle) {}
};

}  // namespace photosui
