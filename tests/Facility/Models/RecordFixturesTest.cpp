// Every reply decodes a realistic full fixture, and the records declared
// encodable come back equal after encoding and decoding again.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Models/MDLFilterList.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Models/RecordEncoder.h"
#include "Facility/Models/RecordRegistry.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Models/WireRecord.h"

namespace {

std::string readFixture(const std::string& name) {
  std::ifstream in(std::string(FACILITY_MODELS_FIXTURES) + "/" + name + ".json", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The diagnostic form without local fields: what the wire carried.
nlohmann::json wireOnly(const nlohmann::ordered_json& described) {
  nlohmann::json j = nlohmann::json::parse(described.dump());
  std::function<void(nlohmann::json&)> strip = [&](nlohmann::json& v) {
    if (v.is_object()) {
      v.erase(wire::RecordEncoder::kLocalKey);
      for (auto& [k, child] : v.items()) strip(child);
    } else if (v.is_array()) {
      for (auto& child : v) strip(child);
    }
  };
  strip(j);
  return j;
}

const char* kReplies[] = {
    "GeneralResponseModel", "MDLCloseComplainSave", "MDLAssignAccess", "MDLInviteVisitor",
    "MDLLogout", "MDLSetPassword", "MDLResetPassword", "MDLForgotPassword", "MDLLogin",
    "MDLVerifySecurity", "MDLGetAccessToken", "MDLGetVersion", "MDLGetImage",
    "NotificationCountModel", "MDLInitApi", "MDLInitApiResponse", "MDLUserDashboard",
    "MDLBaseFacility", "MDLFacilityDashboard", "MDLAllotedFacility", "MDLComplainCount",
    "MDLManageFacility", "MDLBaseAssignAccess", "MDLBaseVisitor", "MDLComplainCategory",
    "MDLComplainList", "MDLCloseComplainList", "MDLCloseComplainGet", "MDLMyTaskCount",
    "MDLFilterList", "VehicleDetailsModel", "BroadCastNotificationModel",
};

class FullReply : public ::testing::TestWithParam<const char*> {};

TEST_P(FullReply, DecodesEveryField) {
  const std::string name = GetParam();
  const std::string bytes = readFixture(name);
  ASSERT_FALSE(bytes.empty()) << "missing fixture " << name;
  const wire::RecordEntry* entry = wire::RecordRegistry::find(name);
  ASSERT_NE(entry, nullptr);
  auto described = entry->decodeDescribed(bytes);
  ASSERT_TRUE(described.ok()) << described.status().ToString();
  // The fixtures carry every key of their records and no other, so the
  // decoded record written back must be the fixture itself.
  EXPECT_EQ(wireOnly(*described), nlohmann::json::parse(bytes));
}

INSTANTIATE_TEST_SUITE_P(Replies, FullReply, ::testing::ValuesIn(kReplies),
                         [](const auto& info) { return std::string(info.param); });

template <class T>
void expectRoundTrip(const std::string& fixture) {
  auto first = wire::decode<T>(readFixture(fixture));
  ASSERT_TRUE(first.ok()) << first.status().ToString();
  const std::string encoded = wire::encode(*first);
  auto second = wire::decode<T>(encoded);
  ASSERT_TRUE(second.ok()) << second.status().ToString();
  EXPECT_EQ(*first, *second) << encoded;
  EXPECT_EQ(nlohmann::json::parse(encoded), nlohmann::json::parse(readFixture(fixture)));
}

TEST(EncodableRecords, RoundTripThroughTheirWireForm) {
  expectRoundTrip<GeneralResponseModel>("GeneralResponseModel");
  expectRoundTrip<NotificationCountModel>("NotificationCountModel");
  expectRoundTrip<VehicleDetailsModel>("VehicleDetailsModel");
  expectRoundTrip<BroadCastNotificationModel>("BroadCastNotificationModel");
  expectRoundTrip<MDLFilterList>("MDLFilterList");
}

TEST(EveryRecord, DecodesAnEmptyObjectWithAllFieldsAbsent) {
  ASSERT_EQ(wire::RecordRegistry::decodable().size(), 62u);
  for (const wire::RecordEntry& e : wire::RecordRegistry::decodable()) {
    auto described = e.decodeDescribed("{}");
    ASSERT_TRUE(described.ok()) << e.name << ": " << described.status().ToString();
    nlohmann::json wire = wireOnly(*described);
    if (e.name == "MDLLocation") {
      EXPECT_EQ(wire, nlohmann::json::parse(R"({"Value":"","Text":""})"));
    } else {
      EXPECT_EQ(wire, nlohmann::json::object()) << e.name;
    }
  }
}

}  // namespace
