// Runs tests of this same test binary in a second process on the given data
// root and waits for it: the way to show that something persisted in one
// process is read back by another. The child sees the parent's environment
// with FACILITY_HOME replaced and the extra "NAME=value" entries added; the
// tests it runs should skip themselves unless one of those entries is set.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace test_support {

// The child's exit status, or -1 when it could not be started or did not exit.
inline int RunTestsInChildProcess(const std::string& gtestFilter, const std::string& dataRoot,
                                  const std::vector<std::string>& extraEnvironment = {}) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).rfind("FACILITY_HOME=", 0) != 0) entries.emplace_back(*e);
  }
  entries.push_back("FACILITY_HOME=" + dataRoot);
  entries.insert(entries.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> env;
  for (auto& entry : entries) env.push_back(entry.data());
  env.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=" + gtestFilter;
  std::string brief = "--gtest_brief=1";
  char* argv[] = {self.data(), filter.data(), brief.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, env.data()) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace test_support
