// One row of the album list: the album's first photo as an 84-point square
// and its title; a check mark while selected.
#pragma once

#include <memory>

#include "Platform/Photos/ImageResultInfo.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"

namespace photopicker {

class AlbumCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kIdentifier = "AlbumCell";
  static constexpr double kImageSide = 84;
  static constexpr double kMargin = 8;

  AlbumCell();

  const std::shared_ptr<uikit::ImageView>& albumImageView() const { return albumImageView_; }
  const std::shared_ptr<uikit::Label>& albumTitleLabel() const { return albumTitleLabel_; }

  // The thumbnail request serving this cell; a new configuration cancels
  // the previous one, so a late picture of another album never lands here.
  photos::ImageRequestID thumbnailRequest = photos::kInvalidImageRequestID;

  void setSelected(bool selected, bool animated) override;
  void prepareForReuse() override;

 private:
  std::shared_ptr<uikit::ImageView> albumImageView_;
  std::shared_ptr<uikit::Label> albumTitleLabel_;
};

}  // namespace photopicker
