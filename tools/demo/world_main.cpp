// demo-world <run folder> [--app-id ID] [--fixture facility.json]
//
// The demo's outside world on 127.0.0.1: the facility web service (HTTP),
// the measurement collector (TLS, certificate made at start) and the air
// file for the program's --radio. Writes into the run folder air.json,
// requests.jsonl, collector.jsonl, verdicts.jsonl (through the readers),
// collector.pem and, last, ready.env. Reads no input; ends on SIGTERM,
// SIGINT or when its parent ends.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/FacilityTestServer.h"
#include "tests/support/InvitationCodeMaker.h"
#include "tests/support/MeasurementCollector.h"
#include "tools/demo/CollectorLog.h"
#include "tools/demo/DemoAir.h"
#include "tools/demo/DemoService.h"
#include "tools/demo/EnvFile.h"

using nlohmann::json;
using testsupport::MeasurementCollector;

namespace {

int usage() {
  std::cerr << "usage: demo-world <run folder> [--app-id ID] [--fixture facility.json]\n";
  return 2;
}

// Appends whole lines, one writer at a time, flushed so a reader sees each.
class LineFile {
 public:
  explicit LineFile(const std::string& path) : out_(path, std::ios::app) {}
  bool ok() const { return static_cast<bool>(out_); }
  void write(const json& line) {
    std::lock_guard<std::mutex> lock(mu_);
    out_ << line.dump() << '\n' << std::flush;
  }

 private:
  std::mutex mu_;
  std::ofstream out_;
};

int statusFor(MeasurementCollector::Route route) {
  switch (route) {
    case MeasurementCollector::Route::kConfig: return 200;
    case MeasurementCollector::Route::kUnexpected: return 404;
    default: return 204;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const pid_t parent = getppid();
  // Our parent's end ends us too; it may have ended before this took hold.
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) return 1;
  std::string folder, appId = DEMO_APP_ID, fixturePath = DEMO_FIXTURE;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--app-id" && i + 1 < argc) {
      appId = argv[++i];
    } else if (arg == "--fixture" && i + 1 < argc) {
      fixturePath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
      folder = arg;
    } else {
      return usage();
    }
  }
  if (folder.empty()) return usage();
  // Signals are taken by sigtimedwait below; every thread started later
  // inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  folder = std::filesystem::absolute(folder, ec).string();
  std::ifstream fixtureFile(fixturePath);
  const json fixture = json::parse(fixtureFile, nullptr, false);
  if (fixture.is_discarded() || !fixture.is_object() || !fixture.contains("accounts") || !fixture.contains("replies")) {
    std::cerr << "demo-world: cannot read the fixture " << fixturePath << "\n";
    return 1;
  }

  LineFile requestLog(folder + "/requests.jsonl");
  LineFile collectorLog(folder + "/collector.jsonl");
  if (!requestLog.ok() || !collectorLog.ok()) {
    std::cerr << "demo-world: cannot write into " << folder << "\n";
    return 1;
  }
  demo::DemoService service(fixture, [&requestLog](const json& line) { requestLog.write(line); });
  testsupport::FacilityTestServer web;
  web.setDefaultHandler([&service](const testsupport::FacilityTestServer::RecordedRequest& request) {
    return service.handle(request);
  });
  MeasurementCollector collector;
  MeasurementCollector::Reply config;
  config.status = statusFor(MeasurementCollector::Route::kConfig);
  config.body = demo::CollectorLog::configBody(appId);
  collector.setDefaultReply(MeasurementCollector::Route::kConfig, config);
  if (!web.start() || !collector.start()) {
    std::cerr << "demo-world: cannot start the servers on 127.0.0.1\n";
    return 1;
  }
  const std::string certificate = folder + "/collector.pem";
  std::filesystem::copy_file(collector.certificateFile(), certificate,
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) {
    std::cerr << "demo-world: cannot write " << certificate << "\n";
    return 1;
  }

  demo::EnvFile::Entries env{{"DEMO_WEB_URL", web.baseURL()},
                             {"DEMO_WEB_PORT", std::to_string(web.port())},
                             {"DEMO_COLLECTOR_HOST", collector.hostAndPort()},
                             {"DEMO_CERTIFICATE", certificate},
                             {"DEMO_AIR", folder + "/air.json"},
                             {"DEMO_APP_ID", appId},
                             {"DEMO_WORLD_PID", std::to_string(getpid())}};
  const std::map<std::string, std::string> roles{
      {"user", "USER"}, {"tenantAdmin", "TENANT"}, {"facilityAdmin", "FACILITY"}, {"invited", "INVITED"}};
  std::vector<std::string> tags;
  const std::string tenant = fixture.value("tenantId", "");
  for (const auto& account : fixture["accounts"]) {
    const long long empId = account.value("empId", 0LL);
    const std::string code =
        testsupport::InvitationCodeMaker::forServer(web.baseURL(), tenant, std::to_string(empId));
    service.setInvitationCode(empId, code);
    tags.push_back(account.value("tagId", ""));
    auto role = roles.find(account.value("role", ""));
    if (role == roles.end()) continue;
    env.emplace_back("DEMO_CODE_" + role->second, code);
    env.emplace_back("DEMO_" + role->second + "_LOGIN", account.value("email", ""));
    if (account.contains("password")) env.emplace_back("DEMO_" + role->second + "_PASSWORD", account["password"]);
    env.emplace_back("DEMO_" + role->second + "_TAG", account.value("tagId", ""));
  }
  {
    std::ofstream air(folder + "/air.json", std::ios::trunc);
    air << demo::DemoAir::scenario(fixture.value("engineKey", ""), tags, folder + "/verdicts.jsonl").dump(2) << '\n';
    if (!air) {
      std::cerr << "demo-world: cannot write air.json\n";
      return 1;
    }
  }
  if (!demo::EnvFile::write(folder + "/ready.env", env)) {
    std::cerr << "demo-world: cannot write ready.env\n";
    return 1;
  }
  std::cerr << "demo-world: web service " << web.baseURL() << ", collector " << collector.baseURL() << "\n";

  std::size_t logged = 0;
  auto logCollector = [&] {
    const auto requests = collector.requests();
    for (; logged < requests.size(); ++logged) {
      const auto& request = requests[logged];
      collectorLog.write(demo::CollectorLog::line(request, statusFor(request.route), appId));
    }
  };
  const timespec tick{0, 100 * 1000 * 1000};
  for (;;) {
    const int got = sigtimedwait(&signals, nullptr, &tick);
    logCollector();
    if (got == SIGTERM || got == SIGINT) break;
    if (got < 0 && errno != EAGAIN && errno != EINTR) break;
  }
  web.stop();
  collector.stop();
  logCollector();
  return 0;
}
