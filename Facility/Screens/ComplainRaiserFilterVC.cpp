#include "Facility/Screens/ComplainRaiserFilterVC.h"

// Apply keeps its laid-out state until the first tap or Clear All.
void ComplainRaiserFilterVC::refreshPresentData() {
  showHideClearAllButton();
  reloadLeftTable();
  reloadRightTable();
}

void ComplainRaiserFilterVC::registerScene() {
  registerFilterScene(kStoryboard, "ComplainRaiserFilterVC", [] { return std::make_shared<ComplainRaiserFilterVC>(); });
}
