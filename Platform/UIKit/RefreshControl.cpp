#include "Platform/UIKit/RefreshControl.h"

namespace uikit {

void RefreshControl::userPull() {
  if (!isEnabled() || refreshing_) return;
  refreshing_ = true;
  sendActionsForControlEvents(kControlEventValueChanged);
}

}  // namespace uikit
