#include "Facility/Screens/ScreenRegistry.h"

#include "Facility/Screens/PlaceholderScreen.h"
#include "Facility/Screens/SwitchUserVC.h"

void ScreenRegistry::registerAll() {
  SwitchUserVC::registerScene();
  PlaceholderScreen::registerMissingScenes();
}
