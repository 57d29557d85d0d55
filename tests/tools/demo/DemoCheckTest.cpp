// demo-check on small run folders made here: a walk that did everything
// passes, and each thing a walk can miss fails it with its own line.
#include <openssl/evp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tools/demo/EnvFile.h"

namespace {

using nlohmann::json;

std::string pngHeader(int width, int height) {
  std::string png = "\x89PNG\r\n\x1a\n";
  png += std::string("\0\0\0\x0dIHDR", 8);
  for (int value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((value >> shift) & 0xff);
  }
  return png + std::string("\x08\x02\0\0\0", 5);
}

std::string base64(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

struct RunFiles {
  std::vector<json> requests, verdicts, collector;
  std::vector<std::string> log;
};

// What a good walk leaves behind.
RunFiles goodWalk() {
  RunFiles run;
  for (const char* name : {"VerifySecurityCode", "GetImage", "AuthenticateUser", "initApi", "UserDashboard",
                           "BaseVisitor", "Logout", "AllotedFacility", "ComplainCount", "ComplainCategory"}) {
    run.requests.push_back(json{{"method", "GET"}, {"path", "/p"}, {"endpoint", name}, {"status", 200},
                                {"mismatch", nullptr}, {"body", nullptr}});
  }
  const json photos = json::array({base64(pngHeader(64, 48)), base64(pngHeader(48, 64))});
  run.requests.push_back(json{{"method", "POST"}, {"path", "/api/Complain/ComplainSave"}, {"endpoint", "ComplainSave"},
                              {"status", 200}, {"mismatch", nullptr},
                              {"body", {{"Remark", "x"}, {"StrImgupload", photos.dump(2)}}}});
  run.verdicts.push_back(json{{"reader", "Main Entrance"}, {"id", "MAIN-ENTRANCE"}, {"accepted", true}, {"reason", ""},
                              {"framed", true}, {"tag", "4321"}, {"floors", {0, 0, 0}}});
  run.collector.push_back(json{{"method", "GET"}, {"path", "/config/app/A"}, {"route", "config"}, {"status", 200},
                               {"decoded", true}, {"appId", "A"}, {"events", json::array()},
                               {"screens", json::array()}, {"expected", true}});
  run.collector.push_back(json{{"method", "POST"}, {"path", "/a"}, {"route", "upload"}, {"status", 204},
                               {"decoded", true}, {"appId", "A"}, {"events", {"_f", "_s", "_vs", "_vs", "_vs"}},
                               {"screens", {"InviteVC", "LandingVC", "LoginVC"}}, {"expected", true}});
  run.collector.push_back(json{{"method", "POST"}, {"path", "/a"}, {"route", "upload"}, {"status", 204},
                               {"decoded", true}, {"appId", "A"}, {"events", {"_vs", "_vs", "_vs", "_e"}},
                               {"screens", {"UserDashboardVC", "TenantDashboardVC", "AddNewComplaintVC"}},
                               {"expected", true}});
  run.log = {"starting", "transfer: http://127.0.0.1:40001", "transfer: https://127.0.0.1:40002 (upload)"};
  return run;
}

class DemoCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / ("demo-check-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "photos");
    for (auto [name, w, h] : {std::tuple{"a.png", 64, 48}, std::tuple{"b.png", 48, 64}, std::tuple{"c.png", 10, 10}}) {
      std::ofstream(folder / "photos" / name, std::ios::binary) << pngHeader(w, h);
    }
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  void write(const RunFiles& run) {
    auto lines = [&](const char* name, const std::vector<json>& values) {
      std::ofstream out(folder / name, std::ios::trunc);
      for (const auto& v : values) out << v.dump() << '\n';
    };
    lines("requests.jsonl", run.requests);
    lines("verdicts.jsonl", run.verdicts);
    lines("collector.jsonl", run.collector);
    std::ofstream log(folder / "facility.log", std::ios::trunc);
    for (const auto& line : run.log) log << line << '\n';
    ASSERT_TRUE(demo::EnvFile::write((folder / "ready.env").string(),
                                     {{"DEMO_APP_ID", "A"}, {"DEMO_USER_TAG", "4321"}}));
    ASSERT_TRUE(demo::EnvFile::write((folder / "run.env").string(),
                                     {{"DEMO_PHOTOS", (folder / "photos").string()},
                                      {"DEMO_LOG", (folder / "facility.log").string()}}));
  }
  // Exit status and output of demo-check.
  std::pair<int, std::string> check(const std::string& options) {
    const std::string command = std::string("'") + DEMO_CHECK_PATH + "' '" + folder.string() + "' " + options;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
  }

  std::filesystem::path folder;
};

TEST_F(DemoCheckTest, AGoodWalkPassesAndTheSummaryCountsIt) {
  write(goodWalk());
  const auto [status, out] = check("--walk");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("web requests: 11 (0 unexpected)"), std::string::npos) << out;
  EXPECT_NE(out.find("  ComplainSave: 1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("verdicts: 1 (1 accepted, 0 refused)"), std::string::npos) << out;
  EXPECT_NE(out.find("  Main Entrance accepted tag 4321 floors 0/0/0"), std::string::npos) << out;
  EXPECT_NE(out.find("collector requests: 3 (0 unexpected), batches: 2 (2 decoded)"), std::string::npos) << out;
  EXPECT_NE(out.find("events: _e=1 _f=1 _s=1 _vs=6"), std::string::npos) << out;
  EXPECT_NE(out.find("walk check: every check holds"), std::string::npos) << out;
  // Without --walk only the summary counts.
  EXPECT_EQ(check("").first, 0);
  EXPECT_EQ(check("--bogus").first, 2);
}

TEST_F(DemoCheckTest, EachMissingPartOfTheWalkFailsItWithItsOwnLine) {
  struct Case {
    const char* what;
    std::function<void(RunFiles&)> spoil;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {"refused punch", [](RunFiles& r) { r.verdicts.push_back({{"reader", "Lift Lobby"}, {"accepted", false}}); },
       "a reader refused a punch"},
      {"second punch", [](RunFiles& r) { r.verdicts.push_back(r.verdicts[0]); }, "accepted punches: 2, expected 1"},
      {"other reader", [](RunFiles& r) { r.verdicts[0]["reader"] = "Lift Lobby"; }, "punch accepted by Lift Lobby"},
      {"other tag", [](RunFiles& r) { r.verdicts[0]["tag"] = "5502"; }, "punch with tag 5502, expected 4321"},
      {"floors", [](RunFiles& r) { r.verdicts[0]["floors"] = {5, 0, 0}; }, "punch with floors [5,0,0]"},
      {"missing request", [](RunFiles& r) { r.requests.erase(r.requests.begin() + 3); }, "the service never saw initApi"},
      {"mismatch", [](RunFiles& r) { r.requests[0]["mismatch"] = "unknown key \"X\""; },
       "unexpected web request /p: unknown key \"X\""},
      {"one photo", [](RunFiles& r) {
         r.requests.back()["body"]["StrImgupload"] = json::array({base64(pngHeader(64, 48))}).dump();
       }, "StrImgupload is not a JSON list of two texts"},
      {"photo size", [](RunFiles& r) {
         r.requests.back()["body"]["StrImgupload"] =
             json::array({base64(pngHeader(64, 48)), base64(pngHeader(32, 32))}).dump();
       }, "a saved complaint photo of 32x32 matches no photo offered"},
      {"not png", [](RunFiles& r) {
         r.requests.back()["body"]["StrImgupload"] = json::array({base64("GIF89a"), base64(pngHeader(64, 48))}).dump();
       }, "a saved complaint photo is not a Base64 PNG"},
      {"undecoded batch", [](RunFiles& r) { r.collector[1]["decoded"] = false; }, "a batch did not decode"},
      {"other app", [](RunFiles& r) { r.collector[2]["appId"] = "B"; }, "a batch for app ID B"},
      {"unexpected collector request", [](RunFiles& r) { r.collector[0]["expected"] = false; },
       "unexpected collector request"},
      {"no session", [](RunFiles& r) { r.collector[1]["events"] = {"_f", "_vs"}; }, "no _s event reached the collector"},
      {"screen missing", [](RunFiles& r) { r.collector[2]["screens"] = {"UserDashboardVC", "TenantDashboardVC"}; },
       "no screen view of AddNewComplaintVC reached the collector"},
      {"transfer off loopback", [](RunFiles& r) { r.log.push_back("transfer: https://ads.example.invalid:443"); },
       "a transfer off loopback: transfer: https://ads.example.invalid:443"},
      {"no transfer", [](RunFiles& r) { r.log = {"quiet"}; }, "no transfer line in the program's log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunFiles run = goodWalk();
    c.spoil(run);
    write(run);
    const auto [status, out] = check("--walk");
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("walk check failed:\n"), std::string::npos) << out;
    EXPECT_NE(out.find(c.problem), std::string::npos) << out;
  }
  // An empty folder fails on every count, without a crash.
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto [status, out] = check("--walk");
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("no ready.env in the run folder"), std::string::npos) << out;
}

}  // namespace
