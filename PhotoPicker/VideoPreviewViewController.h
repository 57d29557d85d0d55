// The preview of a video: the still during the push, then the player's
// picture, with play and pause in the navigation bar. The video is not
// zoomed; a single tap still toggles full-screen mode.
#pragma once

#include <memory>

#include "PhotoPicker/PlayerView.h"
#include "PhotoPicker/PreviewViewController.h"
#include "Platform/AVFoundation/Player.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UIKit/BarButtonItem.h"

namespace photopicker {

class VideoPreviewViewController : public PreviewViewController {
 public:
  VideoPreviewViewController();
  ~VideoPreviewViewController() override;

  const std::shared_ptr<PlayerView>& playerView() const { return playerView_; }
  const uikit::BarButtonItemPtr& pauseBarButton() const { return pauseBarButton_; }
  const uikit::BarButtonItemPtr& playBarButton() const { return playBarButton_; }
  const std::shared_ptr<avfoundation::Player>& player() const { return player_; }
  // A player is shown by the player view and observed for its end.
  void setPlayer(std::shared_ptr<avfoundation::Player> player);

  void setAsset(photos::AssetPtr asset) override;
  // At the end of the video: back to the start, paused.
  virtual void rewindToStart();

  void playPressed();
  void pausePressed();
  void reachedEnd();

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

 private:
  void stopObserving();

  std::shared_ptr<PlayerView> playerView_;
  uikit::BarButtonItemPtr pauseBarButton_;
  uikit::BarButtonItemPtr playBarButton_;
  std::shared_ptr<photos::ImageManager> videoImageManager_;
  std::shared_ptr<avfoundation::Player> player_;
  platform::NotificationCenter::Token endObservation_ = 0;
};

}  // namespace photopicker
