// Runs the real engine on the simulated radio from a JSON scenario and
// prints every delegate call, every value written to a reader and the
// reader's verdict, one line each, in order.
#pragma once
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"
#include "Platform/Foundation/Status.h"

class ScenarioRunner {
 public:
  static constexpr std::size_t kMaxAdvertsPerReader = corebluetooth::SimulatedReaders::kMaxAdvertsPerReader;

  explicit ScenarioRunner(std::ostream& out);
  ~ScenarioRunner();
  platform::Status run(const nlohmann::json& scenario);

 private:
  struct State;
  platform::Status play(const nlohmann::json& scenario);
  std::unique_ptr<State> state_;
};
