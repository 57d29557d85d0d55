// The demo's radio scenario (the ble-sim format): two readers that decrypt
// with the engine key, open only for the fixture's tags, and append each
// verdict to the run's verdict file.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace demo {

class DemoAir {
 public:
  // An hour of adverts, one a second; the radio starts powered on.
  static constexpr int kAdvertSeconds = 3600;
  static nlohmann::json scenario(const std::string& engineKey, const std::vector<std::string>& tags,
                                 const std::string& verdictFile);
};

}  // namespace demo
