// The service-in-maintenance state; its look lives in the interface file of
// its name. The owner sets blockForRemove to take it away; the view never
// calls it itself.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

class MaintenanceTimeView : public uikit::View {
 public:
  MaintenanceTimeView() = default;
  explicit MaintenanceTimeView(const uikit::Rect& frame) : uikit::View(frame) {}

  std::function<void()> blockForRemove;
  std::weak_ptr<uikit::Label> lblInMaintenance;
};
