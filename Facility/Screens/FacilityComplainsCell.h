// The facility dashboard's task tile: today's, all and overdue task counts,
// each tappable; the dashboard sets what a tap does.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableViewCell.h"

class FacilityComplainsCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kNibName = "FacilityComplainsCell";
  static constexpr double kHeight = 150.0;

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<uikit::View> containerView;
  std::weak_ptr<uikit::Label> lblComplainTitle, lblTodayTitle, lblTodayValue, lblAllTaskTitle, lblAllTaskValue,
      lblOverdueTitle, lblOverdueValue;
  std::function<void()> actionTodayTap, actionAllTaskTap, actionOverdueTap;

  void actionToday();
  void actionAllTask();
  void actionOverdue();

  // Declares the nib "FacilityComplainsCell".
  static void registerNib();
};
