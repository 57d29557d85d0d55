// The tenant dashboard's complaint card while complaints are open: the open
// count, the way to the raised complaints and the way to a new one.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"

class FacilityManageComplainCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kNibName = "FacilityManageComplainCell";
  static constexpr const char* kFolderImage = "open_folder";
  static constexpr double kHeight = 130.0;

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<uikit::View> containerView;
  std::weak_ptr<uikit::Label> lblManageComplainText;
  std::weak_ptr<uikit::ImageView> imgOpenFolder;
  std::weak_ptr<uikit::View> openImageContainerView, openCountContainerView;
  std::weak_ptr<uikit::Label> lblOpenCount;
  std::function<void()> actionOpenComplain, actionAddComplain;

  void awakeFromNib() override;
  void setOpenImageContainerView(const std::shared_ptr<uikit::View>& view);
  void setOpenCountContainerView(const std::shared_ptr<uikit::View>& view);
  // The open and new buttons.
  void actionOpenApply();
  void actionNewApply();

  // Declares the nib "FacilityManageComplainCell".
  static void registerNib();
};
