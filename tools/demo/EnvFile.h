// Shell assignment files of a demo run (ready.env, run.env): one
// NAME='value' a line, a quote inside a value written as '\''. Written to a
// temporary file and renamed, so a reader never sees half a file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace demo {

class EnvFile {
 public:
  using Entries = std::vector<std::pair<std::string, std::string>>;
  static std::string quoted(const std::string& value);
  static bool write(const std::string& path, const Entries& entries);
  // The assignments of the file; none when it cannot be read.
  static std::optional<std::map<std::string, std::string>> read(const std::string& path);
};

}  // namespace demo
