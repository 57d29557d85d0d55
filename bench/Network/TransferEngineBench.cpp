// Requests completed per second against the loopback test server, whose
// reply waits 2 ms, with 1 and with 16 transfers in flight.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <functional>
#include <mutex>

#include "Platform/Network/TransferEngine.h"
#include "tests/support/FacilityTestServer.h"

namespace {

constexpr int kBatch = 64;  // requests completed per iteration

void BM_TransfersInFlight(benchmark::State& state) {
  const int inFlight = static_cast<int>(state.range(0));
  testsupport::FacilityTestServer server;
  if (!server.start()) {
    state.SkipWithError("the test server did not start");
    return;
  }
  server.setReply("/delayed", {200, "ok", "text/plain"});
  server.setReplyDelay("/delayed", 0.002);
  platform::TransferEngine engine;
  platform::TransferRequest request;
  request.url = server.baseURL() + "/delayed";

  std::mutex mu;
  std::condition_variable cv;
  int failures = 0;
  for (auto _ : state) {
    int started = 0;
    int done = 0;
    platform::TransferEngine::Completion onDone = [&](platform::TransferResult result) {
      bool more = false;
      {
        std::lock_guard<std::mutex> lock(mu);
        ++done;
        if (result.status != 200) ++failures;
        more = started < kBatch;
        if (more) ++started;
      }
      if (more) engine.start(request, onDone);
      cv.notify_all();
    };
    {
      std::lock_guard<std::mutex> lock(mu);
      started = inFlight;
    }
    for (int i = 0; i < inFlight; ++i) engine.start(request, onDone);
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [&] { return done == kBatch; });
  }
  if (failures) state.SkipWithError("some transfers failed");
  state.SetItemsProcessed(state.iterations() * kBatch);
}

}  // namespace

BENCHMARK(BM_TransfersInFlight)->Arg(1)->Arg(16)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
