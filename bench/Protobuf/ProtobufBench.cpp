// Upload batch of 1,000 events with 10 parameters each (5 strings of 10-20
// characters, 3 int64, 2 double): encode and decode, ours against
// libprotobuf's generated classes (no arena, a fresh message per parse).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "apm_upload.pb.h"

namespace {

constexpr int kEvents = 1000;

struct Param {
  std::string name;
  int kind;  // 0 string, 1 int64, 2 double
  std::string text;
  int64_t integer;
  double real;
};

struct Batch {
  std::vector<std::vector<Param>> events;
  std::vector<std::string> names;
};

const Batch& Data() {
  static const Batch batch = [] {
    Batch b;
    std::mt19937_64 random(7);
    auto text = [&] {
      std::string s(10 + random() % 11, 'a');
      for (char& c : s) c = static_cast<char>('a' + random() % 26);
      return s;
    };
    for (int e = 0; e < kEvents; ++e) {
      b.names.push_back("event_" + std::to_string(e % 17));
      std::vector<Param> params;
      for (int p = 0; p < 10; ++p) {
        Param param{"param_" + std::to_string(p), p < 5 ? 0 : (p < 8 ? 1 : 2), "", 0, 0};
        if (param.kind == 0) param.text = text();
        if (param.kind == 1) param.integer = static_cast<int64_t>(random() >> 20);
        if (param.kind == 2) param.real = static_cast<double>(random() % 100000) / 13.0;
        params.push_back(param);
      }
      b.events.push_back(std::move(params));
    }
    return b;
  }();
  return batch;
}

std::shared_ptr<APMPBMeasurementBatch> BuildOurs() {
  const Batch& data = Data();
  std::vector<std::shared_ptr<APMPBEvent>> events;
  for (int e = 0; e < kEvents; ++e) {
    auto event = std::make_shared<APMPBEvent>();
    std::vector<std::shared_ptr<APMPBEventParam>> params;
    for (const Param& p : data.events[e]) {
      auto param = std::make_shared<APMPBEventParam>();
      APMPBSetString(param.get(), 0, p.name);
      if (p.kind == 0) APMPBSetString(param.get(), 1, p.text);
      if (p.kind == 1) APMPBSetInt64(param.get(), 2, p.integer);
      if (p.kind == 2) APMPBSetDouble(param.get(), 4, p.real);
      params.push_back(param);
    }
    APMPBSetMessageArray(event.get(), 0, params);
    APMPBSetString(event.get(), 1, data.names[e]);
    APMPBSetInt64(event.get(), 2, 1700000000000 + e);
    events.push_back(event);
  }
  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  APMPBSetInt32(bundle.get(), 0, 1);
  APMPBSetMessageArray(bundle.get(), 1, events);
  APMPBSetString(bundle.get(), 8, "ios");
  APMPBSetString(bundle.get(), 14, "com.example.app");
  auto batch = std::make_shared<APMPBMeasurementBatch>();
  APMPBSetMessageArray<APMPBMeasurementBundle>(batch.get(), 0, {bundle});
  return batch;
}

std::unique_ptr<apm::MeasurementBatch> BuildReference() {
  const Batch& data = Data();
  auto batch = std::make_unique<apm::MeasurementBatch>();
  apm::MeasurementBundle* bundle = batch->add_bundles();
  bundle->set_protocol_version(1);
  for (int e = 0; e < kEvents; ++e) {
    apm::Event* event = bundle->add_events();
    for (const Param& p : data.events[e]) {
      apm::EventParam* param = event->add_params();
      param->set_name(p.name);
      if (p.kind == 0) param->set_string_value(p.text);
      if (p.kind == 1) param->set_int_value(p.integer);
      if (p.kind == 2) param->set_double_value(p.real);
    }
    event->set_name(data.names[e]);
    event->set_timestamp_millis(1700000000000 + e);
  }
  bundle->set_platform("ios");
  bundle->set_app_id("com.example.app");
  return batch;
}

// The two encoders must agree byte for byte before anything is timed.
const std::string& ReferenceBytes() {
  static const std::string bytes = [] {
    std::string reference;
    BuildReference()->SerializeToString(&reference);
    auto ours = BuildOurs()->protoBuffer();
    if (!ours || std::string(ours->begin(), ours->end()) != reference) {
      std::fprintf(stderr, "bench_protobuf: encodings differ\n");
      std::abort();
    }
    return reference;
  }();
  return bytes;
}

void BM_EncodeBatch_APMPB(benchmark::State& state) {
  ReferenceBytes();
  auto batch = BuildOurs();
  for (auto _ : state) {
    auto bytes = batch->protoBuffer();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ReferenceBytes().size()));
}
BENCHMARK(BM_EncodeBatch_APMPB)->Unit(benchmark::kMicrosecond);

void BM_EncodeBatch_Libprotobuf(benchmark::State& state) {
  ReferenceBytes();
  auto batch = BuildReference();
  for (auto _ : state) {
    std::string bytes;
    batch->SerializeToString(&bytes);
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ReferenceBytes().size()));
}
BENCHMARK(BM_EncodeBatch_Libprotobuf)->Unit(benchmark::kMicrosecond);

void BM_DecodeBatch_APMPB(benchmark::State& state) {
  const std::string& bytes = ReferenceBytes();
  for (auto _ : state) {
    auto batch = APMPBMeasurementBatch::initWithBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!batch) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(batch);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeBatch_APMPB)->Unit(benchmark::kMicrosecond);

void BM_DecodeBatch_Libprotobuf(benchmark::State& state) {
  const std::string& bytes = ReferenceBytes();
  for (auto _ : state) {
    apm::MeasurementBatch batch;
    if (!batch.ParseFromString(bytes)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(batch);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeBatch_Libprotobuf)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
