// The process's launch arguments and environment. Arguments come from
// /proc/self/cmdline on first use; tests replace them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ProcessInfo {
 public:
  static ProcessInfo& processInfo();

  std::vector<std::string> arguments() const;
  bool hasArgument(std::string_view argument) const;
  // The environment variable, none when unset.
  std::optional<std::string> environmentValue(std::string_view name) const;

  // For tests: replaces the arguments (the first is the program path).
  void setArgumentsForTesting(std::vector<std::string> arguments);
  // For tests: overrides one variable ("" is a set, empty value); none clears the override.
  void setEnvironmentValueForTesting(std::string name, std::optional<std::string> value);
  void resetForTesting();

  ProcessInfo();
  ~ProcessInfo();
  ProcessInfo(const ProcessInfo&) = delete;
  ProcessInfo& operator=(const ProcessInfo&) = delete;
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace platform
