// decode-reply <Record> <file.json>
// Decodes a saved web-service reply as the named record and prints it back
// through the encoder (wire keys; local-only fields under "(local)"), or the
// failing key path. Exit status 0 when the reply decodes, 1 otherwise.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "Facility/Models/RecordRegistry.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/JsonText.h"

namespace {

int usage() {
  std::cerr << "usage: decode-reply <Record> <file.json>\nrecords:";
  for (const wire::RecordEntry& e : wire::RecordRegistry::decodable()) std::cerr << ' ' << e.name;
  std::cerr << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return usage();
  const wire::RecordEntry* entry = wire::RecordRegistry::find(argv[1]);
  if (!entry) {
    std::cerr << "decode-reply: unknown record " << argv[1] << '\n';
    return usage();
  }
  auto bytes = platform::FileManager::defaultManager().contentsAtPath(argv[2]);
  if (!bytes.ok()) {
    std::cerr << "decode-reply: cannot read " << argv[2] << '\n';
    return 1;
  }
  auto decoded = entry->decodeDescribed(std::string(bytes->begin(), bytes->end()));
  if (!decoded.ok()) {
    std::cout << "error: " << decoded.status().message() << '\n';
    return 1;
  }
  std::cout << platform::JsonText::dump(*decoded, 2) << '\n';
  return 0;
}
