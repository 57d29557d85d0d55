#include "Platform/PhotosUI/LivePhotoView.h"

#include "Platform/Foundation/DispatchQueue.h"

namespace photosui {

LivePhotoView::LivePhotoView() = default;

LivePhotoView::LivePhotoView(const uikit::Rect& frame) : uikit::View(frame) {}

LivePhotoView::~LivePhotoView() {
  if (endItem_) endItem_->cancel();
}

uikit::ImagePtr LivePhotoView::livePhotoBadgeImageWithOptions(unsigned options) {
  const char* name = (options & kLivePhotoBadgeOverContent) ? "LivePhotoBadgeOverContent" : "LivePhotoBadge";
  auto image = uikit::Image::named(name);
  if (image) return image;
  // Strict asset lookup gives none for unregistered names; the badge is the
  // system's own artwork, so it always exists.
  return uikit::Image::filled({28, 28}, uikit::Color::white());
}

void LivePhotoView::setLivePhoto(photos::LivePhotoPtr livePhoto) {
  endPlayback(false);
  livePhoto_ = std::move(livePhoto);
}

void LivePhotoView::startPlaybackWithStyle(LivePhotoViewPlaybackStyle style) {
  if (!livePhoto_ || isPlaying() || style == LivePhotoViewPlaybackStyle::kUndefined) return;
  playing_ = style;
  if (auto d = delegate()) d->livePhotoViewWillBeginPlayback(*this, style);
  double span = style == LivePhotoViewPlaybackStyle::kHint ? kHintDuration : livePhoto_->duration();
  if (span <= 0) span = kFullDurationWhenUnknown;
  // A view not owned by a shared_ptr plays until stopped.
  std::weak_ptr<LivePhotoView> weak = sharedAs<LivePhotoView>();
  if (weak.expired()) return;
  endItem_ = platform::DispatchQueue::main()->after(span, [weak] {
    if (auto view = weak.lock()) view->endPlayback(true);
  });
}

void LivePhotoView::stopPlayback() { endPlayback(true); }

void LivePhotoView::endPlayback(bool report) {
  if (endItem_) endItem_->cancel();
  endItem_.reset();
  if (!isPlaying()) return;
  const LivePhotoViewPlaybackStyle style = playing_;
  playing_ = LivePhotoViewPlaybackStyle::kUndefined;
  if (report) {
    if (auto d = delegate()) d->livePhotoViewDidEndPlayback(*this, style);
  }
}

}  // namespace photosui
