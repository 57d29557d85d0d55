// facility-scenario <folder>: plays one screen scenario against the real app.
//
//   state.json    seeds a fresh data root (see StateSeeder)
//   replies.json  the test double's replies (see ReplyScript); its address
//                 is stored as "serverurl"
//   radio.json    optional: readers on the simulated radio (ble-sim format)
//   photos/       optional: the run's photo library (FACILITY_PHOTOS)
//   script.txt    console driver commands, on a manual clock that only
//                 "wait" moves; "requests" prints the requests received
//                 since the last "requests", for expect
//
// Prints the run, then the final screen tree, the requests the double got and
// the readers' verdicts. Exit status 0 only when every command succeeded; 1
// when one failed, 2 for a folder that cannot be played.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Facility/App/AppDelegate.h"
#include "Facility/App/RadioReaders.h"
#include "Facility/App/SceneDelegate.h"
#include "Facility/Screens/ScreenRegistry.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/VisionKit/ScanCommand.h"
#include "ReplyScript.h"
#include "StateSeeder.h"
#include "tests/support/FacilityTestServer.h"

namespace {

int Refuse(const std::string& message) {
  std::cerr << "facility-scenario: " << message << "\n";
  return 2;
}

// The file's text; none when it does not exist.
std::optional<std::string> ReadText(const std::string& path) {
  auto& files = platform::FileManager::defaultManager();
  if (!files.fileExistsAtPath(path)) return std::nullopt;
  auto bytes = files.contentsAtPath(path);
  if (!bytes.ok()) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

// "POST /api/x A=1 B=" with the form decoded; long values (photos) are cut
// to their start and length.
std::string RequestLine(const testsupport::FacilityTestServer::RecordedRequest& request) {
  constexpr std::size_t kLongValue = 120;
  std::string line = request.method + " " + request.target;
  for (const auto& [key, value] : request.form()) {
    line += " " + key + "=";
    line += value.size() > kLongValue ? value.substr(0, 40) + "... (" + std::to_string(value.size()) + " chars)" : value;
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: facility-scenario <folder>\n"
                 "  folder: script.txt, and optionally state.json, replies.json, radio.json\n";
    return 2;
  }
  const std::string folder = argv[1];
  // The photo library is made on first use, from this folder.
  if (std::filesystem::is_directory(folder + "/photos")) {
    (void)::setenv("FACILITY_PHOTOS", (folder + "/photos").c_str(), 1);
  }
  // Before anything makes a queue: every timer runs on this clock.
  auto clock = std::make_shared<platform::ManualClock>();
  platform::Clock::setCurrent(clock);
  platform::TemporaryDataRoot root;
  (void)platform::DataRoot::createDirectories();

  const auto script = ReadText(folder + "/script.txt");
  if (!script) return Refuse("cannot read " + folder + "/script.txt");
  nlohmann::json state = nlohmann::json::object(), replies = nlohmann::json::array();
  for (auto [name, target] : {std::pair{"state.json", &state}, std::pair{"replies.json", &replies}}) {
    const auto text = ReadText(folder + "/" + name);
    if (!text) continue;
    *target = nlohmann::json::parse(*text, nullptr, false);
    if (target->is_discarded()) return Refuse(std::string(name) + " is not JSON");
  }

  testsupport::FacilityTestServer server;
  if (!server.start()) return Refuse("the test server did not start");
  if (platform::Status loaded = ReplyScript::load(replies, server); !loaded.ok())
    return Refuse("replies.json: " + loaded.message());
  if (platform::Status seeded = StateSeeder::seed(state); !seeded.ok()) {
    return Refuse("state.json: " + seeded.message());
  }
  (void)platform::UserDefaults::standard().setString(server.baseURL(), UserDefaultsKey::serverUrl.value);

  uikit::ConsoleDriver driver(std::cout, nullptr, clock);
  (void)visionkit::ScanCommand::registerWith(driver);
  // "requests": the requests the double got since the last "requests", one
  // line each with the decoded form, where expect sees them.
  std::size_t requestsShown = 0;
  (void)driver.addCommand(
      "requests", "requests               prints the requests received since the last \"requests\"",
      [&server, &requestsShown](uikit::ConsoleDriver& d, const std::string&) {
        const auto all = server.requests();
        for (std::size_t i = requestsShown; i < all.size(); ++i) d.note(RequestLine(all[i]));
        requestsShown = all.size();
        return true;
      });
  std::mutex verdictsMu;
  std::vector<std::string> verdicts;
  std::unique_ptr<corebluetooth::SimulatedReaders> readers;
  const std::string radioPath = folder + "/radio.json";
  if (platform::FileManager::defaultManager().fileExistsAtPath(radioPath)) {
    auto radio = corebluetooth::SimulatedReaders::readFile(radioPath);
    if (!radio.ok()) return Refuse(radio.status().message());
    readers = std::make_unique<corebluetooth::SimulatedReaders>(
        RadioReaders::engineValues(), [&](const std::string& line) {
          {
            std::lock_guard<std::mutex> lock(verdictsMu);
            verdicts.push_back(line);
          }
          driver.note(line);
        });
    if (platform::Status loaded = readers->load(*radio); !loaded.ok())
      return Refuse("radio.json: " + loaded.message());
  }

  ScreenRegistry::registerAll();
  auto& app = uikit::Application::shared();
  app.registerSceneConfiguration(AppDelegate::kSceneConfigurationName,
                                 [] { return std::make_shared<SceneDelegate>(); });
  app.setDelegate(std::make_shared<AppDelegate>());
  if (!app.launch()) return Refuse("the app did not launch");
  bool ok = clock->runUntilIdle(uikit::ConsoleDriver::kSettleLimit);
  if (!ok) std::cout << "error: the launch did not settle\n";

  std::cout << driver.dump();
  std::istringstream commands(*script);
  if (ok) ok = driver.run(commands) == 0 && !driver.stopped();

  std::cout << "== screen\n" << driver.dump() << "== requests\n";
  for (const auto& r : server.requests()) {
    std::cout << r.method << " " << r.target;
    if (!r.body.empty()) std::cout << " " << r.body;
    std::cout << "\n";
  }
  std::cout << "== verdicts\n";
  {
    std::lock_guard<std::mutex> lock(verdictsMu);
    for (const auto& line : verdicts) std::cout << line << "\n";
  }
  std::cout << (ok ? "== passed\n" : "== failed\n") << std::flush;
  server.stop();
  platform::RunLoop::main().removeAllPending();
  return ok ? 0 : 1;
}
