#include "Platform/Runtime/LoadHookRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace platform {
namespace {

using Strings = std::vector<std::string>;

// Registered at static initialisation, like a library's hook: it must be
// recorded, and must not run until someone runs the pending hooks.
int gStaticHookRuns = 0;
const LoadHookRegistry::Registrar kStaticHook{"test.static", [] { ++gStaticHookRuns; }};

TEST(LoadHookRegistryTest, StaticRegistrarOnlyRecordsItsHook) {
  Strings names = LoadHookRegistry::shared().names();
  EXPECT_NE(std::find(names.begin(), names.end(), "test.static"), names.end());
  EXPECT_EQ(gStaticHookRuns, 0) << "a static registrar ran its hook";
}

TEST(LoadHookRegistryTest, RunsEachHookOnceInRegistrationOrder) {
  LoadHookRegistry registry;
  Strings ran;
  registry.add("first", [&] { ran.push_back("first"); });
  registry.add("empty", nullptr);  // ignored
  registry.add("second", [&] {
    ran.push_back("second");
    // A hook registering another: it runs in the same pass, after the rest.
    registry.add("late", [&] { ran.push_back("late"); });
  });
  registry.add("third", [&] { ran.push_back("third"); });

  EXPECT_EQ(registry.runPending(), 4u);
  EXPECT_EQ(ran, (Strings{"first", "second", "third", "late"}));
  EXPECT_EQ(registry.names(), (Strings{"first", "second", "third", "late"}));

  ran.clear();
  EXPECT_EQ(registry.runPending(), 0u) << "a hook ran twice";
  EXPECT_TRUE(ran.empty());

  registry.add("afterLaunch", [&] { ran.push_back("afterLaunch"); });
  EXPECT_EQ(registry.namesRun(), (Strings{"first", "second", "third", "late"}));
  EXPECT_EQ(registry.runPending(), 1u);
  EXPECT_EQ(ran, (Strings{"afterLaunch"}));

  // A test re-runs them all on its own root (the second hook registers
  // another late hook, which runs last).
  ran.clear();
  registry.markAllPending();
  EXPECT_TRUE(registry.namesRun().empty());
  registry.runPending();
  EXPECT_EQ(ran, (Strings{"first", "second", "third", "late", "afterLaunch", "late"}));
}

TEST(LoadHookRegistryTest, HookThatRunsThePendingHooksAgainDoesNotReenterItself) {
  LoadHookRegistry registry;
  int outer = 0, inner = 0;
  registry.add("outer", [&] {
    ++outer;
    registry.runPending();  // e.g. a hook that launches
  });
  registry.add("inner", [&] { ++inner; });
  registry.runPending();
  EXPECT_EQ(outer, 1);
  EXPECT_EQ(inner, 1);
}

}  // namespace
}  // namespace platform
