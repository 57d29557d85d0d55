// The Facility program: launches the app on the console driver. The screen
// tree is printed once the first screen is up; commands then come from
// standard input (see ConsoleDriver) until "quit" or its end.
#include <iostream>
#include <memory>

#include "Facility/App/AppDelegate.h"
#include "Facility/App/SceneDelegate.h"
#include "Facility/Screens/ScreenRegistry.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"

int main() {
  (void)platform::DataRoot::createDirectories();
  ScreenRegistry::registerAll();
  auto& app = uikit::Application::shared();
  app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName,
                                 [] { return std::make_shared<SceneDelegate>(); });
  app.setDelegate(std::make_shared<AppDelegate>());
  if (!app.launch()) return 1;
  platform::RunLoop::main().runUntilIdle();

  uikit::ConsoleDriver driver(std::cout);
  std::cout << driver.dump() << std::flush;
  int failures = driver.run(std::cin);
  return failures == 0 ? 0 : 2;
}
