// Reads a demo run folder (requests.jsonl, verdicts.jsonl, collector.jsonl,
// ready.env, run.env) and tells what happened, and after a walk whether it
// did all that it should.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace demo {

class DemoCheck {
 public:
  explicit DemoCheck(std::string runFolder);

  // Requests per endpoint, verdicts, batches and events, as printed.
  std::string summary() const;
  // What the walk missed; empty when every check holds.
  std::vector<std::string> walkProblems() const;

  // Width and height of a PNG, JPEG, or none.
  static std::optional<std::pair<int, int>> pixelSize(const std::string& bytes);
  static std::optional<std::string> base64Decode(const std::string& text);

 private:
  static std::vector<nlohmann::json> readLines(const std::string& path);
  std::string folder_;
  std::vector<nlohmann::json> requests_;
  std::vector<nlohmann::json> verdicts_;
  std::vector<nlohmann::json> collector_;
  std::map<std::string, std::string> ready_;
  std::map<std::string, std::string> run_;
};

}  // namespace demo
