// demo-world as the program meets it: a child process on a fresh run folder,
// driven over HTTP and TLS on 127.0.0.1 like the program would.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Facility/Support/StringHelpers.h"
#include "tools/demo/DemoService.h"
#include "tools/demo/EnvFile.h"

extern char** environ;

namespace {

using nlohmann::json;

std::string formValue(const std::string& text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::vector<json> jsonLines(const std::string& path) {
  std::vector<json> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) out.push_back(json::parse(line));
  return out;
}

class DemoWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / ("demo-world-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::string program = DEMO_WORLD_PATH, run = folder.string();
    char* argv[] = {program.data(), run.data(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    // ready.env comes last, whole: once it reads, the servers answer.
    for (int i = 0; i < 300 && !std::filesystem::exists(folder / "ready.env"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto read = demo::EnvFile::read((folder / "ready.env").string());
    ASSERT_TRUE(read.has_value()) << "demo-world never wrote ready.env";
    env = *read;
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      int status = 0;
      EXPECT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "demo-world did not end cleanly on SIGTERM";
    }
    std::filesystem::remove_all(folder);
  }
  httplib::Client web() { return httplib::Client("127.0.0.1", std::stoi(env.at("DEMO_WEB_PORT"))); }
  json post(const std::string& path, const std::string& form, const std::string& token = "") {
    auto client = web();
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    auto result = client.Post(path, headers, form, "application/x-www-form-urlencoded; charset=utf-8");
    if (!result) return json{{"transport", "failed"}};
    return json{{"status", result->status}, {"body", json::parse(result->body, nullptr, false)}};
  }
  json get(const std::string& path, const std::string& token = "") {
    auto client = web();
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    auto result = client.Get(path, headers);
    if (!result) return json{{"transport", "failed"}};
    return json{{"status", result->status}, {"body", json::parse(result->body, nullptr, false)}};
  }

  std::filesystem::path folder;
  pid_t pid = -1;
  std::map<std::string, std::string> env;
};

// Sign-in gives a token that opens the account's own records; no token, a
// revoked one or a malformed request are each answered as the program
// expects, and every request is one line of requests.jsonl.
TEST_F(DemoWorldTest, WebServiceKeepsTokensAndAnswersMismatchesInTheEndpointsEnvelope) {
  EXPECT_EQ(get("/api/User/Dashboard")["status"], 401);
  const json login = post("/api/Authenticate/AuthenticateUser",
                          "UserName=" + env.at("DEMO_TENANT_LOGIN") + "&Password=" + env.at("DEMO_TENANT_PASSWORD"));
  ASSERT_EQ(login["body"]["IsSuccess"], true) << login;
  EXPECT_EQ(login["body"]["LoginType"], "T");
  EXPECT_EQ(login["body"]["TenantAdmin"], "True");
  const std::string token = login["body"]["AccessToken"];
  const json dashboard = get("/api/User/Dashboard", token);
  EXPECT_EQ(dashboard["status"], 200);
  EXPECT_EQ(dashboard["body"]["Name"], "Ravi");
  EXPECT_EQ(dashboard["body"]["TagId"], env.at("DEMO_TENANT_TAG"));
  EXPECT_EQ(post("/api/Authenticate/AuthenticateUser", "UserName=ravi%40demo.test&Password=nope")["body"]["IsSuccess"],
            false);

  // A complaint saved is counted.
  EXPECT_EQ(get("/api/Complain/ComplainCount", token)["body"]["ComplainCount"], 0);
  EXPECT_EQ(post("/api/Complain/ComplainSave",
                 "FacilityTypeID=Building&ComplainMappingID=31&VisitDate=12%2F12%2F2026&VisitTime=10%3A00&Remark=Door",
                 token)["body"]["IsSuccess"],
            true);
  EXPECT_EQ(get("/api/Complain/ComplainCount", token)["body"]["ComplainCount"], 1);

  // Mismatches: answered false with the first problem, in each envelope.
  const json unknownKey = post("/api/Complain/ComplainCategory", "FTID=1&Extra=2", token);
  EXPECT_EQ(unknownKey["body"], (json{{"IsSuccess", false},
                                      {"Message", "Demo service: unexpected request: unknown key \"Extra\""}}));
  const json wrongMethod = get("/api/Complain/ComplainSave", token);
  EXPECT_EQ(wrongMethod["body"]["Message"], "Demo service: unexpected request: method GET, expected POST");
  auto client = web();
  auto key = client.Post("/api/Facility/Init", R"({"key":"demo-api-key"})", "application/json");
  ASSERT_TRUE(key);
  EXPECT_EQ(json::parse(key->body), (json{{"isSuccess", true}, {"message", "ok"}, {"key", "3f9a1c07b2d84e65a0c1f2e3d4b5a697"}}));
  auto badKey = client.Post("/api/Facility/Init", R"({"key":"demo-api-key","more":1})", "application/json");
  ASSERT_TRUE(badKey);
  EXPECT_EQ(json::parse(badKey->body)["message"], "Demo service: unexpected request: unknown key \"more\"");

  // Logout revokes the token.
  EXPECT_EQ(get("/api/Security/Logout", token)["status"], 200);
  EXPECT_EQ(get("/api/User/Dashboard", token)["status"], 401);

  const auto lines = jsonLines((folder / "requests.jsonl").string());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], (json{{"method", "GET"}, {"path", "/api/User/Dashboard"}, {"endpoint", "UserDashboard"},
                            {"status", 401}, {"mismatch", nullptr}, {"body", nullptr}}));
  EXPECT_EQ(lines[5]["body"]["Remark"], "Door");
  EXPECT_EQ(lines[7]["mismatch"], "unknown key \"Extra\"");
  EXPECT_EQ(lines[10]["endpoint"], "initApi");
  EXPECT_EQ(lines[10]["mismatch"], "unknown key \"more\"");
}

// Each code names this run's service, the tenant and its account, reads
// back with the program's own decoder, and verifies as that account.
TEST_F(DemoWorldTest, InvitationCodesDecryptIntoTheirFieldsAndVerifyAsTheirAccount) {
  const std::map<std::string, std::pair<std::string, bool>> accounts{
      {"USER", {"101", true}}, {"TENANT", {"102", true}}, {"FACILITY", {"103", true}}, {"INVITED", {"104", false}}};
  for (const auto& [role, expected] : accounts) {
    SCOPED_TRACE(role);
    const std::string code = env.at("DEMO_CODE_" + role);
    EXPECT_EQ(StringHelpers::decryptedInvitationCode(code), env.at("DEMO_WEB_URL") + "@#$12@#$" + expected.first);
    const json verified = post("/api/Security/VerifySecurityCode", "SecurityCode=" + formValue(code));
    EXPECT_EQ(verified["body"]["EmailId"], env.at("DEMO_" + role + "_LOGIN"));
    EXPECT_EQ(verified["body"]["IsPasswordSet"], expected.second);
  }
  // The invited account has no password until it sets one.
  const std::string invited = env.at("DEMO_INVITED_LOGIN");
  EXPECT_EQ(post("/api/Security/SetPassword", "Username=" + invited + "&Password=fresh-1")["body"]["IsSuccess"], true);
  EXPECT_EQ(post("/api/Authenticate/AuthenticateUser", "UserName=" + invited + "&Password=fresh-1")["body"]["IsSuccess"],
            true);
  EXPECT_EQ(post("/api/Security/VerifySecurityCode", "SecurityCode=nonsense")["body"]["IsSuccess"], false);
}

// The collector serves the program's configuration over TLS with the
// certificate of ready.env, reads uploads, and marks what it did not expect.
TEST_F(DemoWorldTest, CollectorServesTheAppsConfigurationAndLogsEachRequest) {
  const std::string host = env.at("DEMO_COLLECTOR_HOST");
  httplib::SSLClient client("127.0.0.1", std::stoi(host.substr(host.find(':') + 1)));
  client.set_ca_cert_path(env.at("DEMO_CERTIFICATE").c_str());
  client.enable_server_certificate_verification(true);
  auto config = client.Get("/config/app/" + env.at("DEMO_APP_ID") + "?platform=ios&app_instance_id=x");
  ASSERT_TRUE(config) << "TLS with the run's certificate failed";
  EXPECT_EQ(config->status, 200);
  EXPECT_NE(config->body.find(env.at("DEMO_APP_ID")), std::string::npos);
  ASSERT_TRUE(client.Post("/a", std::string("\x01\x02", 2), "application/octet-stream"));
  ASSERT_TRUE(client.Get("/elsewhere"));
  std::vector<json> lines;
  for (int i = 0; i < 100 && lines.size() < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lines = jsonLines((folder / "collector.jsonl").string());
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0]["route"], "config");
  EXPECT_EQ(lines[0]["expected"], true);
  EXPECT_EQ(lines[1]["route"], "upload");
  EXPECT_EQ(lines[1]["decoded"], false);
  EXPECT_EQ(lines[1]["expected"], false);
  EXPECT_EQ(lines[2]["route"], "unexpected");
  EXPECT_EQ(lines[2]["status"], 404);
  // The air carries the engine key, the access list and the verdict file.
  std::ifstream airFile(env.at("DEMO_AIR"));
  const json air = json::parse(airFile);
  EXPECT_EQ(air["verdictFile"], (folder / "verdicts.jsonl").string());
  ASSERT_EQ(air["readers"].size(), 2u);
  EXPECT_EQ(air["readers"][0]["localName"], "Main Entrance");
  EXPECT_EQ(air["readers"][0]["rssi"], -52);
  EXPECT_EQ(air["readers"][1]["localName"], "Lift Lobby");
  EXPECT_EQ(air["readers"][0]["access"], (json{"4321", "5502", "6603", "7704"}));
}

// Pages of ten; a page past the end or below the first is empty.
TEST(DemoServiceTest, PagesAndRequestChecks) {
  json list = json::array();
  for (int i = 0; i < 23; ++i) list.push_back(i);
  EXPECT_EQ(demo::DemoService::page(list, 1).size(), 10u);
  EXPECT_EQ(demo::DemoService::page(list, 2).front(), 10);
  EXPECT_EQ(demo::DemoService::page(list, 3), (json{20, 21, 22}));
  EXPECT_TRUE(demo::DemoService::page(list, 4).empty());
  EXPECT_TRUE(demo::DemoService::page(list, 0).empty());
  EXPECT_TRUE(demo::DemoService::page(json::array(), 1).empty());

  const auto* save = demo::DemoService::endpointFor("/api/Complain/ComplainSave");
  ASSERT_NE(save, nullptr);
  auto request = [](std::string method, std::string body, std::string target = "/api/Complain/ComplainSave") {
    testsupport::FacilityTestServer::RecordedRequest r;
    r.method = std::move(method);
    r.target = target;
    r.path = target.substr(0, target.find('?'));
    r.body = std::move(body);
    return r;
  };
  const std::string full = "FacilityTypeID=B&ComplainMappingID=31&VisitDate=d&VisitTime=t&Remark=r";
  EXPECT_EQ(demo::DemoService::problem(*save, request("POST", full)), std::nullopt);
  EXPECT_EQ(demo::DemoService::problem(*save, request("POST", full + "&StrImgupload=%5B%5D")), std::nullopt);
  EXPECT_EQ(demo::DemoService::problem(*save, request("POST", "FacilityTypeID=B")), "missing key \"ComplainMappingID\"");
  EXPECT_EQ(demo::DemoService::problem(*save, request("POST", full + "&X=1")), "unknown key \"X\"");
  EXPECT_EQ(demo::DemoService::problem(*save, request("POST", full, "/api/Complain/ComplainSave?x=1")),
            "a query on a POST: x=1");
  const auto* dashboard = demo::DemoService::endpointFor("/api/FacilityAdmin/Dashboard");
  ASSERT_NE(dashboard, nullptr);
  EXPECT_EQ(demo::DemoService::problem(*dashboard, request("GET", "", "/api/FacilityAdmin/Dashboard?LocationId=A")),
            std::nullopt);
  EXPECT_EQ(demo::DemoService::problem(*dashboard, request("GET", "", "/api/FacilityAdmin/Dashboard")),
            "missing key \"LocationId\"");
  EXPECT_EQ(demo::DemoService::parameters("A%5B%5D=1&A%5B%5D=2&B=x"), (json{{"A", {"1", "2"}}, {"B", "x"}}));
}

}  // namespace
