// picker-demo: the photo picker over a folder of photos, driven from the
// console (see ConsoleDriver). A host screen stands in for the complaint
// screens: "tap Pick photos" presents the picker, each closure call prints a
// line ("finish Trip/a.jpg, b.png"), "photos rescan" picks up changes in
// the folder. Time runs on a manual clock: "wait <seconds>" lets animations
// and presentations finish.
//
//   picker-demo <folder> [--max N] [--numbered] [--videos] [--albums]
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/PhotosUI/PhotosConsoleCommands.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Window.h"
#include "tools/picker-demo/PickerDemoOptions.h"
#include "tools/picker-demo/PickerHostViewController.h"

int main(int argc, char** argv) {
  auto options = PickerDemoOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!options.ok()) {
    std::cerr << "picker-demo: " << options.status().message() << "\n" << PickerDemoOptions::kUsage << "\n";
    return 2;
  }

  auto clock = std::make_shared<platform::ManualClock>();
  platform::Clock::setCurrent(clock);
  photos::PhotoLibrary::setShared(photos::PhotoLibrary::create(options.value().folder));

  auto window = std::make_shared<uikit::Window>();
  uikit::ConsoleDriver driver(std::cout, window, clock);
  photosui::PhotosConsoleCommands::install(driver);
  auto host = std::make_shared<PickerHostViewController>(options.value(),
                                                         [&driver](const std::string& line) { driver.note(line); });
  window->setRootViewController(uikit::NavigationController::withRoot(host));
  window->makeKeyAndVisible();
  clock->runUntilIdle();

  std::cout << driver.dump() << std::flush;
  int failures = driver.run(std::cin);
  if (driver.stopped()) return 1;
  return failures == 0 ? 0 : 2;
}
