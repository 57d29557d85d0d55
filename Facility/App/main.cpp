// The Facility program: launches the app on the console driver. The screen
// tree is printed once the first screen is up; commands then come from
// standard input (see ConsoleDriver) until "quit" or its end. Input is read
// on a thread of its own: the main loop keeps turning while none comes.
//
//   Facility [--radio <scenario.json>] [--log <file>] [-<LaunchArgument>...]
//
// --radio puts the scenario's readers (the ble-sim format) on the simulated
// radio; each write a reader checks prints its verdict on the driver's output.
// --log sends the log lines to the file instead of standard error. Words
// with a single dash are launch arguments, read by the libraries that look
// for them (the measurement engine's "-QRVAnalyticsDebugEnabled", say).
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "Facility/App/AppDelegate.h"
#include "Facility/App/RadioReaders.h"
#include "Facility/App/SceneDelegate.h"
#include "Facility/Screens/ScreenRegistry.h"
#include "Platform/AdSupport/ASIdentifierManager.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TaskQueueRegistry.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/VisionKit/ScanCommand.h"

namespace {

// The program's Info.plist and service configuration file are copied beside
// it into Bundle/; a program moved without them keeps <data root>/Bundle.
void UseBundleBesideProgram() {
  std::error_code error;
  auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return;
  auto bundle = program.parent_path() / "Bundle";
  if (std::filesystem::is_directory(bundle, error)) platform::Bundle::setMainBundlePath(bundle.string());
}

// What the queues still hold (events the measurement engine has yet to
// store, say) is finished before the process ends, for at most this long.
constexpr double kQuitWaitSeconds = 10;

void WaitForIdleQueues() {
  platform::RunLoop::main().runUntil([] { return platform::TaskQueueRegistry::shared().allIdle(); },
                                     kQuitWaitSeconds);
}

// Blocks scheduled for later (the engine's deferred configuration flush, its
// upload timer) must not start on a worker while static storage is destroyed
// after main returns. Nothing is lost by holding them: every store writes
// through at once, the flush only repeats it.
void HoldQueuesForExit() {
  auto& registry = platform::TaskQueueRegistry::shared();
  registry.suspendAll();
  // A block that started just before the hold finishes first.
  platform::RunLoop::main().runUntil([&registry] { return registry.allIdle(); }, kQuitWaitSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  std::string radioFile;
  std::string logFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--radio" && i + 1 < argc) {
      radioFile = argv[++i];
    } else if (arg == "--log" && i + 1 < argc && argv[i + 1][0] != '\0') {
      logFile = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      // A launch argument: ProcessInfo hands it to whoever asks.
    } else {
      std::cerr << "usage: Facility [--radio <scenario.json>] [--log <file>] [-<LaunchArgument>...]\n";
      return 2;
    }
  }
  if (!logFile.empty()) {
    if (auto opened = platform::SetLogFile(logFile); !opened.ok()) {
      std::cerr << "Facility: --log " << logFile << ": " << opened.message() << "\n";
      return 2;
    }
  }

  (void)platform::DataRoot::createDirectories();
  UseBundleBesideProgram();
  uikit::ConsoleDriver driver(std::cout);
  (void)visionkit::ScanCommand::registerWith(driver);
  std::unique_ptr<corebluetooth::SimulatedReaders> readers;
  if (!radioFile.empty()) {
    auto scenario = corebluetooth::SimulatedReaders::readFile(radioFile);
    readers = std::make_unique<corebluetooth::SimulatedReaders>(
        RadioReaders::engineValues(), [&driver](const std::string& line) { driver.note(line); });
    platform::Status loaded = scenario.ok() ? readers->load(*scenario) : scenario.status();
    if (!loaded.ok()) {
      std::cerr << "Facility: --radio " << radioFile << ": " << loaded.message() << "\n";
      return 2;
    }
  }

  ScreenRegistry::registerAll();
  // The device's tracking answer and advertising identifier, which the
  // measurement engine started by launch reads.
  apptrackingtransparency::RegisterAppTrackingTransparency();
  adsupport::RegisterAdSupport();
  auto& app = uikit::Application::shared();
  app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName,
                                 [] { return std::make_shared<SceneDelegate>(); });
  app.setDelegate(std::make_shared<AppDelegate>());
  if (!app.launch()) return 1;
  platform::RunLoop::main().runUntilIdle();

  std::cout << driver.dump() << std::flush;
  int failures = driver.runOnMainLoop(STDIN_FILENO);
  WaitForIdleQueues();
  HoldQueuesForExit();
  // A failed expect or unsettled work stops the run: status 1.
  if (driver.stopped()) return 1;
  return failures == 0 ? 0 : 2;
}
