#include "PhotoPicker/VideoPreviewViewController.h"

#include "Platform/AVFoundation/AudioSession.h"
#include "Platform/AVFoundation/PlayerItem.h"
#include "Platform/AVFoundation/URLAsset.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace photopicker {

VideoPreviewViewController::VideoPreviewViewController()
    : playerView_(std::make_shared<PlayerView>()), videoImageManager_(photos::ImageManager::defaultManager()) {}

VideoPreviewViewController::~VideoPreviewViewController() { stopObserving(); }

void VideoPreviewViewController::viewDidLoad() {
  PreviewViewController::viewDidLoad();
  // Playback works without the category; a failure is not shown.
  (void)avfoundation::AudioSession::sharedInstance().setCategory(avfoundation::kAudioSessionCategoryPlayback,
                                                                 avfoundation::kAudioSessionModeDefault, 0);
  std::weak_ptr<VideoPreviewViewController> weak = sharedAs<VideoPreviewViewController>();
  auto self = sharedAs<VideoPreviewViewController>();
  pauseBarButton_ = uikit::BarButtonItem::withSystemItem(uikit::BarButtonSystemItem::kPause);
  pauseBarButton_->setTarget(self, [weak](uikit::BarButtonItem&) {
    if (auto p = weak.lock()) p->pausePressed();
  });
  playBarButton_ = uikit::BarButtonItem::withSystemItem(uikit::BarButtonSystemItem::kPlay);
  playBarButton_->setTarget(self, [weak](uikit::BarButtonItem&) {
    if (auto p = weak.lock()) p->playPressed();
  });
  auto root = view();
  playerView_->setFrame(root->bounds());
  playerView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  root->addSubview(playerView_);
  scrollView()->setUserInteractionEnabled(false);
  doubleTapRecognizer()->setEnabled(false);
}

void VideoPreviewViewController::setAsset(photos::AssetPtr asset) {
  PreviewViewController::setAsset(asset);
  if (!asset || asset->mediaType() != photos::MediaType::kVideo) {
    setPlayer(nullptr);
    return;
  }
  std::weak_ptr<VideoPreviewViewController> weak = sharedAs<VideoPreviewViewController>();
  auto options = settings ? settings->fetch().preview().videoOptions() : nullptr;
  videoImageManager_->requestAVAsset(
      asset, options, [weak](avfoundation::AssetPtr answer, const photos::ImageResultInfo&) {
        // Any thread: only the kind is checked here; the screen is reached
        // on the main queue.
        auto urlAsset = std::dynamic_pointer_cast<const avfoundation::URLAsset>(answer);
        if (!urlAsset) return;
        platform::DispatchQueue::main()->async([weak, url = urlAsset->url()] {
          auto p = weak.lock();
          if (!p) return;
          p->setPlayer(avfoundation::Player::withURL(url));
          p->navigationItem().setRightBarButtonItem(p->pauseBarButton_);
          p->player_->play();
        });
      });
}

void VideoPreviewViewController::setPlayer(std::shared_ptr<avfoundation::Player> player) {
  if (!player) return;  // an empty player changes nothing shown
  stopObserving();
  player_ = std::move(player);
  playerView_->playerLayer().player = player_;
  auto item = player_->currentItem();
  if (!item) return;
  std::weak_ptr<VideoPreviewViewController> weak = sharedAs<VideoPreviewViewController>();
  std::int64_t id = item->identifier();
  endObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
      avfoundation::kPlayerItemDidPlayToEndTimeNotification, [weak, id](const platform::Notification& n) {
        auto it = n.userInfo.find("item");
        if (it == n.userInfo.end() || it->second.getInt().value_or(-1) != id) return;
        if (auto p = weak.lock()) p->reachedEnd();
      });
}

void VideoPreviewViewController::stopObserving() {
  if (endObservation_ == 0) return;
  platform::NotificationCenter::defaultCenter().removeObserver(endObservation_);
  endObservation_ = 0;
}

void VideoPreviewViewController::viewWillAppear(bool animated) {
  PreviewViewController::viewWillAppear(animated);
  playerView_->setHidden(true);
}

void VideoPreviewViewController::viewDidAppear(bool animated) {
  PreviewViewController::viewDidAppear(animated);
  playerView_->setHidden(false);
  view()->sendSubviewToBack(scrollView());
}

void VideoPreviewViewController::viewWillDisappear(bool animated) {
  PreviewViewController::viewWillDisappear(animated);
  navigationItem().setRightBarButtonItem(playBarButton_);
  if (player_) player_->pause();
  playerView_->setHidden(true);
  stopObserving();
}

void VideoPreviewViewController::playPressed() {
  if (player_ && player_->currentItem() && player_->currentTime() == player_->currentItem()->duration()) {
    player_->seekToTime(0);
  }
  navigationItem().setRightBarButtonItem(pauseBarButton_);
  if (player_) player_->play();
}

void VideoPreviewViewController::pausePressed() {
  navigationItem().setRightBarButtonItem(playBarButton_);
  if (player_) player_->pause();
}

void VideoPreviewViewController::reachedEnd() { rewindToStart(); }

void VideoPreviewViewController::rewindToStart() {
  if (player_) player_->seekToTime(0);
  navigationItem().setRightBarButtonItem(playBarButton_);
  if (player_) player_->pause();
}

}  // namespace photopicker
