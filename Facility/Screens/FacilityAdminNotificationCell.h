// One broadcast notification in the list: title, message and sending date
// on a white card with a soft shadow. Made from the list scene's prototype.
#pragma once

#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"
#include "Platform/UIKit/View.h"

class FacilityAdminNotificationCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "FacilityAdminNotificationCell";
  static constexpr const char* kTextColor = "#707070";

  // Outlets; connecting one gives it its look.
  std::shared_ptr<uikit::View> containerView() const { return containerView_.lock(); }
  void setContainerView(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::Label> lblTitle() const { return lblTitle_.lock(); }
  void setLblTitle(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<uikit::Label> lblNotifMsg() const { return lblNotifMsg_.lock(); }
  void setLblNotifMsg(const std::shared_ptr<uikit::Label>& label);
  std::shared_ptr<uikit::Label> lblDate() const { return lblDate_.lock(); }
  void setLblDate(const std::shared_ptr<uikit::Label>& label);

  void awakeFromNib() override;

  // The prototype as the storyboard lays it out, outlets wired and woken.
  static std::shared_ptr<uikit::TableViewCell> instantiatePrototype();

 private:
  static void styleContainer(uikit::View& view);
  static void styleLabel(uikit::Label& label, const char* fontName, double size, uikit::TextAlignment alignment);

  std::weak_ptr<uikit::View> containerView_;
  std::weak_ptr<uikit::Label> lblTitle_;
  std::weak_ptr<uikit::Label> lblNotifMsg_;
  std::weak_ptr<uikit::Label> lblDate_;
};
