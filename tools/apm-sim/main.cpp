// apm-sim <scenario.json> [--root <folder>]: the measurement engine on the
// manual clock against the loopback collector. Without --root the data lives
// in a throw-away folder; with it, a second run continues the first.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "ApmSimulation.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

int main(int argc, char** argv) {
  std::string scenarioPath;
  std::string root;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (scenarioPath.empty() && !arg.empty() && arg[0] != '-') {
      scenarioPath = arg;
    } else {
      scenarioPath.clear();
      break;
    }
  }
  if (scenarioPath.empty()) {
    std::cerr << "usage: apm-sim <scenario.json> [--root <folder>]\n";
    return 2;
  }
  auto text = platform::FileManager::defaultManager().contentsAtPath(scenarioPath);
  if (!text.ok()) {
    std::cerr << "apm-sim: cannot read " << scenarioPath << "\n";
    return 1;
  }
  nlohmann::json scenario = nlohmann::json::parse(text->begin(), text->end(), nullptr, false);
  if (scenario.is_discarded() || !scenario.is_object()) {
    std::cerr << "apm-sim: " << scenarioPath << " is not a JSON object\n";
    return 1;
  }
  std::unique_ptr<platform::TemporaryDataRoot> temporary;
  if (root.empty()) {
    temporary = std::make_unique<platform::TemporaryDataRoot>();
  } else {
    platform::DataRoot::overrideRoot(root);
  }
  ApmSimulation simulation(std::cout);
  platform::Status status = simulation.run(scenario);
  std::cout.flush();
  if (!status.ok()) {
    std::cerr << "apm-sim: " << status.message() << "\n";
    return 1;
  }
  return 0;
}
