#include <cstdio>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"

int main() {
  platform::Log(platform::LogLevel::kInfo, "Facility: platform booted");
  std::printf("Facility: ok\n");
  return 0;
}
