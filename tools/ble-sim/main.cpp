// ble-sim <scenario.json>: the access engine against scripted readers.
#include <iostream>

#include "ScenarioRunner.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: ble-sim <scenario.json>\n"
                 "  at most "
              << ScenarioRunner::kMaxAdvertsPerReader
              << " adverts per reader; from, until, every and at must be finite numbers\n";
    return 2;
  }
  auto text = platform::FileManager::defaultManager().contentsAtPath(argv[1]);
  if (!text.ok()) {
    std::cerr << "ble-sim: cannot read " << argv[1] << "\n";
    return 1;
  }
  nlohmann::json scenario = nlohmann::json::parse(text->begin(), text->end(), nullptr, false);
  if (scenario.is_discarded() || !scenario.is_object()) {
    std::cerr << "ble-sim: " << argv[1] << " is not a JSON object\n";
    return 1;
  }
  // Stored values live in a throw-away data root, never the user's.
  platform::TemporaryDataRoot root;
  ScenarioRunner runner(std::cout);
  platform::Status status = runner.run(scenario);
  if (!status.ok()) {
    std::cerr << "ble-sim: " << status.message() << "\n";
    return 1;
  }
  return 0;
}
