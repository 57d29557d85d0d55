// Typed reply decoding against nlohmann's own DOM parse of the same bytes.
// Target: the typed decode costs at most 1.5x the DOM parse.
#include <cstdio>
#include <map>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Models/WireRecord.h"

namespace {

// Appends instead of prefixing a literal: GCC 12 misreads the prefix insert.
std::string numbered(const char* prefix, int n) { return std::string(prefix).append(std::to_string(n)); }

std::string manageFacilityReply() {
  nlohmann::json employees = nlohmann::json::array();
  for (int i = 0; i < 200; ++i) {
    employees.push_back({{"EmployeeId", numbered("E", 10000 + i)},
                         {"EmployeeName", numbered("Employee Number ", i)},
                         {"EmployeeCode", numbered("AC-", i)},
                         {"EmployeeUrl", numbered("Uploads/Employee/Profile_", i).append(".png")},
                         {"MobileNumber", numbered("98765", 43210 + i)},
                         {"Department", i % 3 == 0 ? "Finance" : i % 3 == 1 ? "Engineering" : "Sales"},
                         {"IsTagAssigned", i % 2 == 0},
                         {"IsFloorAccess", true},
                         {"IsParkingAccess", i % 5 == 0},
                         {"IsVisitorAssignAccess", i % 7 == 0},
                         {"InvitationStatus", i % 4 == 0 ? "0" : "1"}});
  }
  return nlohmann::json{{"IsSuccess", true}, {"Message", "Success"}, {"TotalRecords", "200"},
                        {"PageSize", "200"}, {"PageNo", "1"}, {"EmployeeList", employees}}
      .dump();
}

nlohmann::json occupancy(const char* type, int total, int occupied) {
  return {{"VehicalType", type}, {"Total", std::to_string(total)},
          {"Occupied", std::to_string(occupied)}, {"Free", std::to_string(total - occupied)}};
}

std::string facilityDashboardReply() {
  nlohmann::json parking = nlohmann::json::array();
  nlohmann::json visitors = nlohmann::json::array();
  for (int tile = 0; tile < 4; ++tile) {
    nlohmann::json parkingTenants = nlohmann::json::array();
    nlohmann::json visitorTenants = nlohmann::json::array();
    for (int t = 0; t < 40; ++t) {
      const std::string tenant = numbered("Tenant Company ", t);
      parkingTenants.push_back({{"TenantName", tenant},
                                {"ParkingTileList", {occupancy("0", 10 + t, t), occupancy("1", 20 + t, t)}}});
      visitorTenants.push_back({{"TenantName", tenant}, {"Total", std::to_string(t * 3)},
                                {"In", std::to_string(t)}, {"Out", std::to_string(t * 2)}});
    }
    parking.push_back({{"TileId", numbered("P", tile)}, {"TileName", numbered("Parking Level ", tile)},
                       {"GlobalTile", {occupancy("0", 400, 230), occupancy("1", 900, 610)}},
                       {"TenantTile", parkingTenants}});
    visitors.push_back({{"TileId", numbered("V", tile)}, {"TileName", numbered("Visitors Gate ", tile)},
                        {"GlobalTile", {{"Total", "480"}, {"In", "120"}, {"Out", "360"}}},
                        {"TenantTile", visitorTenants}});
  }
  return nlohmann::json{{"IsSuccess", true}, {"Message", "Success"}, {"ParkingTileList", parking},
                        {"VisitorTileList", visitors}}
      .dump();
}

const std::string& manageBytes() {
  static const std::string s = manageFacilityReply();
  return s;
}
const std::string& dashboardBytes() {
  static const std::string s = facilityDashboardReply();
  return s;
}

void TypedManageFacility(benchmark::State& state) {
  for (auto _ : state) {
    auto r = wire::decode<MDLManageFacility>(manageBytes());
    if (!r.ok() || r->employeeList->size() != 200) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * manageBytes().size()));
}
void DomManageFacility(benchmark::State& state) {
  for (auto _ : state) {
    auto j = nlohmann::json::parse(manageBytes());
    benchmark::DoNotOptimize(j);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * manageBytes().size()));
}
void TypedFacilityDashboard(benchmark::State& state) {
  for (auto _ : state) {
    auto r = wire::decode<MDLFacilityDashboard>(dashboardBytes());
    if (!r.ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dashboardBytes().size()));
}
void DomFacilityDashboard(benchmark::State& state) {
  for (auto _ : state) {
    auto j = nlohmann::json::parse(dashboardBytes());
    benchmark::DoNotOptimize(j);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dashboardBytes().size()));
}

BENCHMARK(TypedManageFacility);
BENCHMARK(DomManageFacility);
BENCHMARK(TypedFacilityDashboard);
BENCHMARK(DomFacilityDashboard);

// Keeps each run's time so the typed/DOM ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatio(const std::string& typed, const std::string& dom) const {
    auto t = times_.find(typed);
    auto d = times_.find(dom);
    if (t == times_.end() || d == times_.end() || d->second <= 0) return;
    const double ratio = t->second / d->second;
    std::printf("ratio %s / %s = %.2fx (target <= 1.50x) %s\n", typed.c_str(), dom.c_str(), ratio,
                ratio <= 1.5 ? "OK" : "OVER");
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("reply sizes: manage facility %zu bytes, facility dashboard %zu bytes\n",
              manageBytes().size(), dashboardBytes().size());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("TypedManageFacility", "DomManageFacility");
  reporter.printRatio("TypedFacilityDashboard", "DomFacilityDashboard");
  benchmark::Shutdown();
  return 0;
}
