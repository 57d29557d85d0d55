// One task of the facility task list: the tenant, the reporting time, the
// place pill, the client and the description on a bordered card. Made from
// the task list scene's prototype.
#pragma once

#include <memory>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"
#include "Platform/UIKit/View.h"

class FacilityTaskDetailCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "FacilityTaskDetailCell";

  // Outlets.
  std::weak_ptr<uikit::View> containerView;
  std::weak_ptr<uikit::ImageView> imgViewTaskStatus;
  std::weak_ptr<uikit::Label> lblTaskTitle;
  std::weak_ptr<uikit::Label> lblReportingTime;
  std::weak_ptr<uikit::Label> lblIssueArea;
  std::weak_ptr<uikit::Label> lblClientName;
  std::weak_ptr<uikit::Label> lblIssueDetails;

  void awakeFromNib() override;

  static std::shared_ptr<uikit::TableViewCell> instantiatePrototype();
};
