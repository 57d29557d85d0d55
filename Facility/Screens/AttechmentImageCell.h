// One attached photo of the complaint form: a round thumbnail with a close
// button. The cell keeps the id of its image request and cancels it when it
// is given another photo, so a late picture of a removed photo never shows.
#pragma once

#include <functional>
#include <memory>

#include "Platform/Photos/Asset.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"

class AttechmentImageCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "AttechmentImageCell";
  static constexpr const char* kNibName = "AttechmentImageCell";
  static constexpr const char* kCloseImage = "ic_close";
  static constexpr double kBorderWidth = 1.2;

  using uikit::CollectionViewCell::CollectionViewCell;
  ~AttechmentImageCell() override;

  // Outlets.
  std::weak_ptr<uikit::ImageView> imgAttechment;
  std::weak_ptr<uikit::View> imgContainerView;

  // Set by the screen for every cell it hands out.
  std::function<void()> closeButtonTapped;
  void actionCloseButton();

  // Asks the default image manager for the asset at its full pixel size,
  // aspect fill; each non-empty picture delivered goes into imgAttechment.
  // A request still running for an earlier photo is cancelled first.
  void showAsset(const photos::AssetPtr& asset);
  photos::ImageRequestID imageRequestId() const { return requestId_; }

  // Styles the thumbnail's frame on the main queue once laid out.
  void awakeFromNib() override;

  static void registerNib();

 private:
  void cancelImageRequest();

  std::weak_ptr<photos::ImageManager> manager_;
  photos::ImageRequestID requestId_ = photos::kInvalidImageRequestID;
};
