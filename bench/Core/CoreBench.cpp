// Form-encoding and logging a complaint upload with two 1 MB Base64 photos:
// the per-request cost must stay linear in the body size.
#include <benchmark/benchmark.h>

#include <string>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/ExchangeLog.h"
#include "Facility/Network/URLEncoding.h"

namespace {

platform::Value::Dictionary uploadParams(std::size_t photoBytes) {
  std::string photo;
  photo.reserve(photoBytes);
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < photoBytes; ++i) photo.push_back(alphabet[(i * 7) % 64]);
  return {{"FacilityTypeID", platform::Value(1)},
          {"ComplainMappingID", platform::Value(4)},
          {"VisitDate", platform::Value("10/12/2026")},
          {"VisitTime", platform::Value("10:30")},
          {"Remark", platform::Value("Leaking tap on floor 3")},
          {"StrImgupload", platform::Value(platform::Value::Array{platform::Value(photo), platform::Value(photo)})}};
}

void BM_EncodeAndLogUpload(benchmark::State& state) {
  auto params = uploadParams(static_cast<std::size_t>(state.range(0)));
  std::vector<std::pair<std::string, std::string>> headers = {{"Accept", "application/json"},
                                                              {"Authorization", "Bearer t"}};
  for (auto _ : state) {
    std::string body = URLEncoding::query(params);
    std::string log = ExchangeLog::exchangeBlock("POST", "http://127.0.0.1/api/Complain/ComplainSave", 200, params,
                                                 headers, ExchangeLog::maskedReply(R"({"IsSuccess":true})"));
    benchmark::DoNotOptimize(body);
    benchmark::DoNotOptimize(log);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EncodeAndLogUpload)->RangeMultiplier(4)->Range(64 << 10, 1 << 20)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
