// The complaint filter of the tenant who raises complaints; pushed by the raised complaint list.
#pragma once

#include "Facility/Screens/ComplaintFilterScreen.h"

class ComplainRaiserFilterVC : public ComplaintFilterScreen {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";

  ComplainRaiserFilterVC() : ComplaintFilterScreen(ComplainerType::raiser) {}

  static void registerScene();

 protected:
  void refreshPresentData() override;
};
