#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "Companion/Velmorandiquest.h"

namespace {

// Runs fn with file descriptor 1 pointed at a temporary file and returns
// every byte written to it.
template <typename Fn>
std::string CaptureStdout(Fn&& fn) {
  std::fflush(stdout);
  std::FILE* sink = std::tmpfile();
  EXPECT_NE(sink, nullptr);
  const int saved = dup(STDOUT_FILENO);
  dup2(fileno(sink), STDOUT_FILENO);
  fn();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string out;
  std::rewind(sink);
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, sink)) > 0) out.append(buf, n);
  std::fclose(sink);
  return out;
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(LocationTest, LogWritesPrefixTwoBlanksMessageAndNewline) {
  location loc;
  loc.init();
  struct Case {
    std::string message;
    std::string expected;
  };
  const Case cases[] = {
      {"abc", "Log message:  abc\n"},
      {"", "Log message:  \n"},
      {"two words", "Log message:  two words\n"},
      {std::string("a\0b", 3), std::string("Log message:  a\0b\n", 18)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureStdout([&] { loc.log(c.message); }), c.expected) << c.message;
  }
  EXPECT_EQ(CaptureStdout([&] { loc.log("abc"); }).size(), 18u);
}

TEST(LocationTest, AdditionInRange) {
  location loc;
  struct Case {
    std::int64_t a, b, sum;
  };
  const Case cases[] = {
      {-5, 3, -2},
      {kMax - 1, 1, kMax},
      {kMin + 1, -1, kMin},
      {kMin, kMax, -1},
      {0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(loc.addition(c.a, c.b), c.sum) << c.a << " + " << c.b;
  }
}

TEST(LocationTest, OverflowingAdditionThrowsInsteadOfWrapping) {
  location loc;
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {kMax, 1}, {1, kMax}, {kMin, -1}, {kMin, kMin}, {kMax, kMax}};
  for (const auto& [a, b] : cases) {
    EXPECT_THROW(loc.addition(a, b), std::overflow_error) << a << " + " << b;
  }
}

// A client of another build overrides the operations; calls through the base
// type reach the overrides.
class CountingLocation : public location {
 public:
  void init() override { ++inits; }
  void log(std::string_view message) override { last = std::string(message); }
  std::int64_t addition(std::int64_t a, std::int64_t b) override {
    return location::addition(a, b) * 2;
  }
  int inits = 0;
  std::string last;
};

TEST(LocationTest, SubclassOverridesDispatchThroughBase) {
  CountingLocation sub;
  location& base = sub;
  base.init();
  base.log("hidden");
  EXPECT_EQ(sub.inits, 1);
  EXPECT_EQ(sub.last, "hidden");
  EXPECT_EQ(base.addition(2, 3), 10);
}

TEST(LocationTest, VersionSymbolsReadThroughDlsym) {
  void* handle = dlopen(VELMORANDIQUEST_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();

  auto* number = static_cast<const double*>(dlsym(handle, "VelmorandiquestVersionNumber"));
  ASSERT_NE(number, nullptr) << dlerror();
  EXPECT_EQ(*number, 1.0);

  auto* text = static_cast<const char*>(dlsym(handle, "VelmorandiquestVersionString"));
  ASSERT_NE(text, nullptr) << dlerror();
  static const char kExpected[] = "@(#)PROGRAM:Velmorandiquest  PROJECT:Velmorandiquest-1\n";
  EXPECT_EQ(std::memcmp(text, kExpected, sizeof kExpected), 0);  // NUL included
  EXPECT_EQ(std::string(text), kExpected);

  // The linked declarations name the same values.
  EXPECT_EQ(*number, VelmorandiquestVersionNumber);
  EXPECT_EQ(std::string(text), reinterpret_cast<const char*>(VelmorandiquestVersionString));

  // The class's dispatch table and type are exported for subclassing clients.
  EXPECT_NE(dlsym(handle, "_ZTV8location"), nullptr);
  EXPECT_NE(dlsym(handle, "_ZTI8location"), nullptr);
  dlclose(handle);
}

}  // namespace
