// Shows a live photo. The motion is not rendered: playback is a span of the
// live photo's duration (kHintDuration for a hint) on the injected clock,
// reported to the delegate at its start and its end.
#pragma once

#include <memory>

#include "Platform/Foundation/DispatchWorkItem.h"
#include "Platform/Photos/LivePhoto.h"
#include "Platform/PhotosUI/LivePhotoViewDelegate.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/View.h"

namespace photosui {

enum LivePhotoBadgeOptions : unsigned { kLivePhotoBadgeOverContent = 1u << 0, kLivePhotoBadgeLiveOff = 1u << 1 };

class LivePhotoView : public uikit::View {
 public:
  static constexpr double kHintDuration = 0.5;
  static constexpr double kFullDurationWhenUnknown = 1.5;

  LivePhotoView();
  explicit LivePhotoView(const uikit::Rect& frame);
  ~LivePhotoView() override;

  // The badge marking live content: a named 28 x 28 image ("LivePhotoBadge",
  // "LivePhotoBadgeOverContent" with that option).
  static uikit::ImagePtr livePhotoBadgeImageWithOptions(unsigned options);

  const photos::LivePhotoPtr& livePhoto() const { return livePhoto_; }
  // A new photo stops a playback without reporting its end.
  void setLivePhoto(photos::LivePhotoPtr livePhoto);

  std::shared_ptr<LivePhotoViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LivePhotoViewDelegate> delegate) { delegate_ = std::move(delegate); }

  // Does nothing without a live photo or while playing.
  void startPlaybackWithStyle(LivePhotoViewPlaybackStyle style);
  // Ends a playback now (reported).
  void stopPlayback();
  bool isPlaying() const { return playing_ != LivePhotoViewPlaybackStyle::kUndefined; }

 private:
  void endPlayback(bool report);

  photos::LivePhotoPtr livePhoto_;
  std::weak_ptr<LivePhotoViewDelegate> delegate_;
  LivePhotoViewPlaybackStyle playing_ = LivePhotoViewPlaybackStyle::kUndefined;
  platform::DispatchWorkItemPtr endItem_;
};

}  // namespace photosui
