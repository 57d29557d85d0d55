#include "tools/demo/EnvFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace demo {

std::string EnvFile::quoted(const std::string& value) {
  std::string out = "'";
  for (char c : value) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool EnvFile::write(const std::string& path, const Entries& entries) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    for (const auto& [name, value] : entries) out << name << '=' << quoted(value) << '\n';
    out.flush();
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::optional<std::map<std::string, std::string>> EnvFile::read(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::map<std::string, std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    std::string value;
    bool inQuote = false;
    for (std::size_t i = eq + 1; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '\'') {
        inQuote = !inQuote;
      } else if (!inQuote && c == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (!inQuote && c == '"') {
        // Double quotes as a plain shell would take them: no escapes inside.
        const auto close = line.find('"', i + 1);
        value += line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        i = close == std::string::npos ? line.size() : close;
      } else {
        value += c;
      }
    }
    out[line.substr(0, eq)] = value;
  }
  return out;
}

}  // namespace demo
