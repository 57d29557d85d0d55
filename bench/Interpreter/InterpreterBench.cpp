// Interpreter speed: a counted sum loop (with Lua 5.4 beside it), a program
// that spends the whole statement budget, and event editing over 10,000
// events of 10 parameters.
#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"

namespace {

APMPProgram parse(const std::string& text) {
  APMPProgram p;
  std::string error;
  if (!APMPTestNotation::parseProgramText(text, &p, &error)) abort();
  return p;
}

// var s = 0, i = 1; while (i <= 50000) { s = s + i; i = i + 1; } s
const char* kSumLoop = R"([["41", "s", "i"], ["3", "s", 0], ["3", "i", 1],
    ["42", ["24", {"var": "i"}, 50000], ["3", "i", ["0", {"var": "i"}, 1]], false,
      ["46", ["3", "s", ["0", {"var": "s"}, {"var": "i"}]]]],
    {"var": "s"}])";

void BM_SumLoop(benchmark::State& state) {
  APMPProgram program = parse(kSumLoop);
  APMPRuntime runtime;
  int64_t evaluations = 0;
  for (auto _ : state) {
    runtime.resetInstructionCount();
    APMPError error;
    APMPRuntimeValue v = runtime.executeStatements(program.instructions, &error);
    if (error || v.numberValue() != 1250025000.0) state.SkipWithError("wrong result");
    evaluations += runtime.getInstructionCount(nullptr);
  }
  state.counters["evaluations"] = static_cast<double>(runtime.getInstructionCount(nullptr));
  state.counters["evals_per_s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SumLoop)->Unit(benchmark::kMillisecond);

void BM_SumLoopLua(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  const char* code = "local s, i = 0, 1 while i <= 50000 do s = s + i i = i + 1 end return s";
  for (auto _ : state) {
    if (luaL_dostring(L, code) != LUA_OK) state.SkipWithError("lua failed");
    benchmark::DoNotOptimize(lua_tonumber(L, -1));
    lua_pop(L, 1);
  }
  lua_close(L);
}
BENCHMARK(BM_SumLoopLua)->Unit(benchmark::kMillisecond);

// while (true) { x = x + 1 } until the budget stops it.
void BM_WholeBudget(benchmark::State& state) {
  APMPProgram program = parse(R"([["41", "x"], ["3", "x", 0],
      ["42", true, 1, false, ["46", ["3", "x", ["0", {"var": "x"}, 1]]]]])");
  APMPRuntime runtime;
  int64_t evaluations = 0;
  for (auto _ : state) {
    runtime.resetInstructionCount();
    APMPError error;
    runtime.executeStatements(program.instructions, &error);
    if (!error.isInterpreter(18)) state.SkipWithError("budget not reached");
    evaluations += runtime.getInstructionCount(nullptr);
  }
  state.counters["evals_per_s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeBudget)->Unit(benchmark::kMillisecond);

void BM_EventEditing(benchmark::State& state) {
  APMPProgram program = parse(R"([["41", "reg"], ["3", "reg", ["require", "internal.registerCallback"]],
      ["reg", 0, ["51", "edit", ["7", "ev"],
          ["22", ["20", ["2", {"var": "ev"}, "getEventName", ["7"]], "purchase"],
            ["46", ["2", {"var": "ev"}, "setEventName", ["7", "order"]],
                   ["2", {"var": "ev"}, "setParamValue", ["7", "edited", 1]]]],
          ["36", 0]], ["8", "type", "edit"]],
      ["reg", 0, ["51", "create", ["7", "ev"], ["36", 0]], ["8", "type", "create"]]])");
  APMPEventEditing editing;
  APMPError error;
  if (!editing.loadProgram(program, &error)) state.SkipWithError("load failed");
  std::vector<APMPEvent> events;
  for (int i = 0; i < 10000; ++i) {
    APMPPlatformObject::Dictionary params;
    for (int p = 0; p < 10; ++p) {
      params["param_" + std::to_string(p)] =
          p % 2 ? APMPPlatformObject::integer(i * p) : APMPPlatformObject::string("value " + std::to_string(p));
    }
    events.emplace_back(i % 2 ? "purchase" : "screen_view", 1.7e12 + i, std::move(params));
  }
  int64_t handled = 0;
  for (auto _ : state) {
    for (const APMPEvent& e : events) {
      editing.handleEvent(e, &error);
      if (error) state.SkipWithError("handling failed");
    }
    handled += static_cast<int64_t>(events.size());
  }
  state.counters["events_per_s"] = benchmark::Counter(static_cast<double>(handled), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EventEditing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
