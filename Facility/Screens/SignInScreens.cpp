#include "Facility/Screens/SignInScreens.h"

#include "Facility/Screens/ForgotPasswordVC.h"
#include "Facility/Screens/LandingVC.h"
#include "Facility/Screens/LoginVC.h"
#include "Facility/Screens/SetNewPasswordVC.h"

void SignInScreens::registerAll() {
  LandingVC::registerScene();
  LoginVC::registerScene();
  ForgotPasswordVC::registerScene();
  SetNewPasswordVC::registerScene();
}
