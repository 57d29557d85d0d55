// apm-pb-dump <Message> <file>: decodes a file as one measurement message and
// prints it field by field. "-" reads standard input.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "Analytics/Protobuf/APMPBCodec.h"
#include "Analytics/Protobuf/APMPBTextFormat.h"
#include "Platform/Foundation/FileManager.h"

namespace {

int Usage() {
  std::cerr << "usage: apm-pb-dump <Message> <file>\nmessages:";
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t i = 0; i < kAPMPBMessageCount; ++i) std::cerr << (i % 4 ? " " : "\n  ") << all[i]->name;
  std::cerr << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const APMPBMessageDescriptor* descriptor = APMPBFindMessageDescriptor(argv[1]);
  if (descriptor == nullptr) {
    std::cerr << "apm-pb-dump: unknown message " << argv[1] << "\n";
    return Usage();
  }
  std::vector<uint8_t> bytes;
  if (std::strcmp(argv[2], "-") == 0) {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    auto contents = platform::FileManager::defaultManager().contentsAtPath(argv[2]);
    if (!contents.ok()) {
      std::cerr << "apm-pb-dump: cannot read " << argv[2] << "\n";
      return 1;
    }
    bytes = std::move(contents).value();
  }
  APMPBMessageInfo info;
  APMPBInitMessageInfo(&info, *descriptor);
  if (!APMPBDecode(bytes.data(), bytes.size(), &info)) {
    std::cerr << "apm-pb-dump: " << argv[2] << " is not a valid " << descriptor->name << "\n";
    return 1;
  }
  std::cout << APMPBTextFormat(info);
  return 0;
}
