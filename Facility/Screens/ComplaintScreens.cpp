#include "Facility/Screens/ComplaintScreens.h"

#include "Facility/Screens/AddNewComplaintVC.h"
#include "Facility/Screens/ComplainRaiserFilterVC.h"
#include "Facility/Screens/ComplainResolverFilterVC.h"
#include "Facility/Screens/RaisedComplaintListVC.h"

void ComplaintScreens::registerAll() {
  ComplaintFilterScreen::registerImages();
  ComplainRaiserFilterVC::registerScene();
  ComplainResolverFilterVC::registerScene();
  RaisedComplaintListVC::registerScene();
  AddNewComplaintVC::registerScene();
}
