#include "Companion/location.h"

#include <cstdio>
#include <stdexcept>

location::location() = default;

location::~location() = default;

void location::init() {}

void location::log(std::string_view message) {
  // Two printed items joined by one blank; the first ends in a blank itself.
  static constexpr std::string_view kPrefix = "Log message: ";
  std::fwrite(kPrefix.data(), 1, kPrefix.size(), stdout);
  std::fputc(' ', stdout);
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::int64_t location::addition(std::int64_t value1, std::int64_t value2) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(value1, value2, &sum)) {
    throw std::overflow_error("location::addition: sum outside the signed 64-bit range");
  }
  return sum;
}
