// One raised complaint: title, suitable time, status pill and description on
// a bordered card. Made from the list scene's prototype.
#pragma once

#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"
#include "Platform/UIKit/View.h"

class RaisedComplaintCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "RaisedComplaintCell";

  // Outlets; connecting a label gives it its font.
  std::weak_ptr<uikit::View> containerView;
  std::shared_ptr<uikit::Label> lblComplainTitle() const { return lblComplainTitle_.lock(); }
  void setLblComplainTitle(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<uikit::Label> lblSuitableTime() const { return lblSuitableTime_.lock(); }
  void setLblSuitableTime(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<uikit::Label> lblComplainStatus() const { return lblComplainStatus_.lock(); }
  void setLblComplainStatus(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<uikit::Label> lblComplainDesciption() const { return lblComplainDesciption_.lock(); }
  void setLblComplainDesciption(const std::shared_ptr<uikit::Label>& label);

  void awakeFromNib() override;

  static std::shared_ptr<uikit::TableViewCell> instantiatePrototype();

 private:
  std::weak_ptr<uikit::Label> lblComplainTitle_;
  std::weak_ptr<uikit::Label> lblSuitableTime_;
  std::weak_ptr<uikit::Label> lblComplainStatus_;
  std::weak_ptr<uikit::Label> lblComplainDesciption_;
};
