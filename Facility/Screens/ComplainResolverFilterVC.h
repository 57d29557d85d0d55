// The complaint filter of the facility staff who resolve complaints; pushed by the task list.
#pragma once

#include "Facility/Screens/ComplaintFilterScreen.h"

class ComplainResolverFilterVC : public ComplaintFilterScreen {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";

  ComplainResolverFilterVC() : ComplaintFilterScreen(ComplainerType::resolver) {}

  static void registerScene();

 protected:
  void refreshPresentData() override;
};
