// Runs the real measurement engine on the manual clock from a JSON scenario,
// against the loopback collector (its own, or the service the deployment
// list names), and prints the engine's log lines, the stored rows and every
// batch the collector decoded, in order.
//
// Scenario: {"appID": text, "start": seconds since 1970, "verbose": bool,
//   "settings": {key: text}, served as the fetched configuration;
//   "replies": [{"route": "upload"|"config", "status": n, "hold": bool}],
//   "steps": [{"log": name, "parameters": {name: text|number}},
//             {"advance": seconds}, {"upload": true}, {"drain": true},
//             {"reachable": bool}, {"consent": {type: "granted"|"denied"}},
//             {"rows": true}]}
// One run per process: the engine is the process's shared instance.
#pragma once

#include <memory>
#include <ostream>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Status.h"

class ApmSimulation {
 public:
  explicit ApmSimulation(std::ostream& out);
  ~ApmSimulation();
  ApmSimulation(const ApmSimulation&) = delete;
  ApmSimulation& operator=(const ApmSimulation&) = delete;

  platform::Status run(const nlohmann::json& scenario);

 private:
  struct State;
  platform::Status prepare(const nlohmann::json& scenario);
  platform::Status step(const nlohmann::json& step);
  // Turns the main loop until no request is in flight and the engine has
  // handled every reply (a held reply keeps it waiting up to the limit).
  bool quiet();
  bool drain();
  void printNewLogLines();
  void printNewBatches();
  void printRows();

  std::ostream& out_;
  std::unique_ptr<State> state_;
};
