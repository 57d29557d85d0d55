#include "Facility/Screens/ComplainResolverFilterVC.h"

void ComplainResolverFilterVC::refreshPresentData() {
  updateApplyButtonState();
  showHideClearAllButton();
  reloadLeftTable();
  reloadRightTable();
}

void ComplainResolverFilterVC::registerScene() {
  registerFilterScene(kStoryboard, "ComplainResolverFilterVC", [] { return std::make_shared<ComplainResolverFilterVC>(); });
}
