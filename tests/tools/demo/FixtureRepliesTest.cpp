// The demo service's fixture against the app's own decoders: a reply the app
// would read differently (a renamed key, a wrong type) fails here, not in
// the middle of a walk.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Facility/Network/APIName.h"
#include "Facility/Network/ReplayTable.h"
#include "Facility/Support/StringHelpers.h"
#include "tests/support/InvitationCodeMaker.h"

namespace {

using nlohmann::json;

json loadFixture() {
  const char* root = std::getenv("FACILITY_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/tools/demo/fixtures/facility.json");
  return json::parse(in, nullptr, false);
}

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Every key the fixture sends must come back from the decoded record: a key
// the record does not know would be silently dropped by the decoder.
void expectKeysKept(const json& sent, const json& decoded, const std::string& where) {
  if (sent.is_object()) {
    ASSERT_TRUE(decoded.is_object()) << where;
    for (const auto& [key, value] : sent.items()) {
      ASSERT_TRUE(decoded.contains(key)) << where << ": key \"" << key << "\" is not part of the record";
      expectKeysKept(value, decoded[key], where + "." + key);
    }
  } else if (sent.is_array()) {
    ASSERT_TRUE(decoded.is_array() && decoded.size() == sent.size()) << where;
    for (std::size_t i = 0; i < sent.size(); ++i) {
      expectKeysKept(sent[i], decoded[i], where + "[" + std::to_string(i) + "]");
    }
  }
}

TEST(DemoFixtureTest, EveryServedEndpointHasAReplyThatDecodesIntoItsRecord) {
  const json fixture = loadFixture();
  ASSERT_TRUE(fixture.is_object()) << "fixture missing or not JSON";
  const json& replies = fixture.at("replies");
  std::set<std::string> known;
  for (int i = 0; i < APIName::kCaseCount; ++i) {
    const APIName api(static_cast<APIName::Case>(i));
    known.insert(api.name());
    // Endpoints no screen requests are not served.
    if (api.apiCase() == APIName::Case::GetVersion || api.apiCase() == APIName::Case::RemoveToken) continue;
    SCOPED_TRACE(api.name());
    ASSERT_TRUE(replies.contains(api.name())) << "no reply for " << api.name();
    const json& body = replies.at(api.name());
    if (!ReplayTable::recordName(api.apiCase())) continue;  // the token reply has no record
    const auto described = ReplayTable::describeReply(api.apiCase(), body.dump());
    ASSERT_TRUE(described.has_value()) << "does not decode into " << *ReplayTable::recordName(api.apiCase());
    expectKeysKept(body, json::parse(*described), api.name());
  }
  for (const auto& [name, body] : replies.items()) EXPECT_TRUE(known.count(name)) << "unknown endpoint " << name;
  // The token renewal is read field by field by the refresher.
  const json& token = replies.at("GetAccessToken");
  EXPECT_TRUE(token.at("AccessToken").is_string() && token.at("RefreshToken").is_string());
  EXPECT_TRUE(token.at("TokenExpiredIn").is_number_integer());
}

// What the walk relies on: readers check tags as digits, the key decrypts
// the air, no default floor is preselected, nothing is fetched off loopback,
// and the tenant starts with no open complaint.
TEST(DemoFixtureTest, FixtureKeepsTheRulesTheWalkReliesOn) {
  const json fixture = loadFixture();
  ASSERT_TRUE(fixture.is_object());
  const std::string key = fixture.at("engineKey");
  EXPECT_EQ(key.size(), 32u);
  EXPECT_TRUE(std::all_of(key.begin(), key.end(),
                          [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'); }));
  EXPECT_EQ(fixture.at("replies").at("initApi").at("key"), key);
  std::set<std::string> roles;
  for (const auto& account : fixture.at("accounts")) {
    roles.insert(account.at("role").get<std::string>());
    EXPECT_TRUE(allDigits(account.at("tagId"))) << account.dump();
    EXPECT_EQ(account.contains("password"), account.at("role") != "invited") << account.dump();
  }
  EXPECT_EQ(roles, (std::set<std::string>{"user", "tenantAdmin", "facilityAdmin", "invited"}));
  const json& replies = fixture.at("replies");
  EXPECT_EQ(replies.at("VerifySecurityCode").at("IsPasswordSet"), true);
  const json& login = replies.at("AuthenticateUser");
  EXPECT_TRUE(login.contains("ApiKey"));
  EXPECT_TRUE(replies.at("UserDashboard").contains("Name") && allDigits(replies.at("UserDashboard").at("TagId")));
  for (const char* list : {"DefaultUpList", "DefaultDownList"}) {
    for (const auto& entry : replies.at("BaseVisitor").at(list)) EXPECT_EQ(entry.at("IsChecked"), false) << list;
  }
  // Image addresses absent or on loopback, wherever they sit.
  std::function<void(const json&)> scan = [&](const json& v) {
    if (v.is_object()) {
      for (const auto& [k, child] : v.items()) {
        if (k.find("Image") != std::string::npos && child.is_string() && !child.get<std::string>().empty()) {
          EXPECT_EQ(child.get<std::string>().rfind("http://127.0.0.1", 0), 0u) << k;
        }
        scan(child);
      }
    } else if (v.is_array()) {
      for (const auto& child : v) scan(child);
    }
  };
  scan(replies);
  EXPECT_EQ(replies.at("ComplainCount").at("ComplainCount"), 0);
  for (const auto& c : replies.at("ComplainList").at("lstComplainList")) EXPECT_NE(c.value("Status", ""), "Open");
}

// Each account's code names the server, tenant and account, and the app's
// own decoder reads it back; the port is part of the address.
TEST(DemoFixtureTest, InvitationCodesDecryptIntoTheirThreeFields) {
  const json fixture = loadFixture();
  ASSERT_TRUE(fixture.is_object());
  const std::string tenant = fixture.at("tenantId");
  for (const auto& account : fixture.at("accounts")) {
    const std::string id = std::to_string(account.at("empId").get<long long>());
    const std::string code = testsupport::InvitationCodeMaker::forServer("http://127.0.0.1:40123", tenant, id);
    EXPECT_EQ(StringHelpers::decryptedInvitationCode(code), "http://127.0.0.1:40123@#$" + tenant + "@#$" + id);
  }
}

}  // namespace
