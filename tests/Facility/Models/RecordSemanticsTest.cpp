// Behaviour beyond plain field typing: shared objects and their resolved
// default floors, encoding form and order, nesting limit, large replies.
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Models/MDLBaseAssignAccess.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLCloseComplainGet.h"
#include "Facility/Models/MDLFilterList.h"
#include "Facility/Models/MDLInitApiRequest.h"
#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Models/WireRecordJson.h"
#include "tests/support/IllFormedUtf8.h"

namespace {

std::shared_ptr<MDLBaseAssignAccessBuilding> building(const std::string& json) {
  auto reply = wire::decode<MDLBaseAssignAccess>(R"~({"BuildingList": [)~" + json + "]}");
  EXPECT_TRUE(reply.ok()) << reply.status().ToString();
  if (!reply.ok()) return nullptr;
  return (*reply)->buildingList->at(0);
}

TEST(AssignAccessBuilding, DefaultFloorsAreTheFloorObjectsOfTheList) {
  auto b = building(R"~({"FloorList": [{"Value": "5"}, {"Value": "6", "Text": "first"}, {"Value": "6", "Text": "second"}],
                        "DefaultUp": "6", "DefaultDown": "5"})~");
  ASSERT_TRUE(b);
  ASSERT_TRUE(b->defaultUp);
  EXPECT_EQ(b->defaultUp.get(), (*b->floorList)[1].get());  // first match, the same object
  EXPECT_EQ(b->defaultDown.get(), (*b->floorList)[0].get());
  EXPECT_FALSE(b->isSelected);
  // Ticking through one reference is seen through the other.
  b->defaultUp->isSelected = true;
  EXPECT_EQ((*b->floorList)[1]->isSelected, true);
}

TEST(AssignAccessBuilding, DefaultFloorAbsentWithoutAMatch) {
  struct {
    const char* json;
    bool upValuePresent;
  } cases[] = {
      {R"~({"FloorList": [{"Value": "5"}], "DefaultUp": "9"})~", true},
      {R"~({"DefaultUp": "5"})~", true},
      {R"~({"FloorList": null, "DefaultUp": "5"})~", true},
      {R"~({"FloorList": [{"Text": "no value"}], "DefaultUp": "5"})~", true},
      {R"~({"FloorList": [{"Value": "5"}]})~", false},
  };
  for (const auto& c : cases) {
    auto b = building(c.json);
    ASSERT_TRUE(b) << c.json;
    EXPECT_FALSE(b->defaultUp) << c.json;
    EXPECT_EQ(b->defaultUpValue.has_value(), c.upValuePresent) << c.json;
  }
}

TEST(AssignAccessBuilding, DefaultsResolvedWhateverTheMemberOrder) {
  auto b = building(R"~({"DefaultUp": "6", "FloorList": [{"Value": "6"}]})~");
  ASSERT_TRUE(b && b->defaultUp);
  EXPECT_EQ(b->defaultUp.get(), (*b->floorList)[0].get());
}

TEST(AssignAccessBuilding, VisitorReplySharesTheSameObjects) {
  auto reply = wire::decode<MDLBaseVisitor>(
      R"~({"BuildingList": [{"FloorList": [{"Value": "1"}], "DefaultDown": "1"}], "TwoWheelerParkingList": [{"Value": "b"}]})~");
  ASSERT_TRUE(reply.ok()) << reply.status().ToString();
  auto b = (*reply->buildingList)[0];
  EXPECT_EQ(b->defaultDown.get(), (*b->floorList)[0].get());
  // A copy of the value record still holds the same shared objects.
  MDLBaseVisitor copy = *reply;
  (*copy.twoWheelerParkingList)[0]->isSelected = true;
  EXPECT_EQ((*reply->twoWheelerParkingList)[0]->isSelected, true);
}

TEST(AssignFloor, DictionaryFillsAbsentFields) {
  MDLBaseAssignFloor empty;
  auto d = empty.dictionary();
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d["value"], platform::Value(""));
  EXPECT_EQ(d["text"], platform::Value(""));
  EXPECT_EQ(d["isSelected"], platform::Value(false));

  auto floor = wire::decode<MDLBaseAssignFloor>(R"~({"Text": "L5", "Value": "5", "IsSelected": true})~");
  ASSERT_TRUE(floor.ok());
  auto full = (*floor)->dictionary();
  EXPECT_EQ(full["value"], platform::Value("5"));
  EXPECT_EQ(full["text"], platform::Value("L5"));
  EXPECT_EQ(full["isSelected"], platform::Value(true));
}

TEST(Encoding, InitApiRequestIsExactlyTheKey) {
  EXPECT_EQ(wire::encode(MDLInitApiRequest{"6f1d9a3e"}), R"~({"key":"6f1d9a3e"})~");
  EXPECT_EQ(wire::encode(MDLInitApiRequest{}), R"~({"key":""})~");
  EXPECT_EQ(wire::encode(MDLInitApiRequest{"a\"b"}), R"~({"key":"a\"b"})~");
}

// A stored key is not checked for UTF-8; encoding it must not throw.
TEST(Encoding, TextsThatAreNotUtf8AreRepairedBytePerByte) {
  for (const auto& c : testsupport::Utf8RepairCases()) {
    std::string text;
    ASSERT_NO_THROW(text = wire::encode(MDLInitApiRequest{c.raw})) << c.name;
    EXPECT_EQ(text, R"~({"key":")~" + c.repaired + R"~("})~") << c.name;

    VehicleDetailsModel vehicle;
    vehicle.empList.emplace().push_back(EmployeeDetailsModel{.personType = c.raw});
    ASSERT_NO_THROW(text = wire::encode(vehicle)) << c.name;
    EXPECT_EQ(text, R"~({"EmpList":[{"PERSONTYPE":")~" + c.repaired + R"~("}]})~") << c.name;
  }
}

TEST(Encoding, EmptyOptionalsAreLeftOut) {
  EXPECT_EQ(wire::encode(GeneralResponseModel{}), "{}");
  EXPECT_EQ(wire::encode(BroadCastNotificationModel{}), "{}");
  EXPECT_EQ(wire::encode(MDLFilterList{}), "{}");
  BroadCastNotificationListModel onlyViewed;
  onlyViewed.viewed = false;
  EXPECT_EQ(wire::encode(onlyViewed), R"~({"VIEWED":false})~");
  BroadCastNotificationModel emptyList;
  emptyList.broadCastNotificationList.emplace();
  EXPECT_EQ(wire::encode(emptyList), R"~({"BroadCastNotificationList":[]})~");
}

TEST(Encoding, MembersFollowTheKeyTable) {
  NotificationCountModel count;
  count.message = "m";
  count.isSuccess = true;
  count.total = "3";
  EXPECT_EQ(wire::encode(count), R"~({"Total":"3","IsSuccess":true,"Message":"m"})~");

  VehicleDetailsModel vehicle;
  vehicle.empList.emplace().push_back(EmployeeDetailsModel{.personType = "Employee"});
  vehicle.message = "";
  vehicle.vehicleNumber = "KA01";
  EXPECT_EQ(wire::encode(vehicle), R"~({"VehicleNumber":"KA01","Message":"","EmpList":[{"PERSONTYPE":"Employee"}]})~");
}

TEST(Encoding, FilterTreeInItsStatedMemberOrder) {
  SubPlaces month{.name = "Jan 2024", .id = 1, .isSelected = 0, .monthInAPIFormate = "01-2024"};
  SubPlaces status{.name = "Open", .id = 1, .isSelected = 1, .monthInAPIFormate = std::nullopt};
  MDLFilterList tree;
  tree.responseData.emplace().places.emplace() = {
      Places{.name = "Months", .id = 1, .isSelected = 1, .subPlaces = std::vector{month}},
      Places{.name = "Status", .id = 2, .isSelected = 0, .subPlaces = std::vector{status}},
  };
  EXPECT_EQ(wire::encode(tree),
            R"~({"responseData":{"places":[)~"
            R"~({"name":"Months","id":1,"isSelected":1,"subPlaces":[{"name":"Jan 2024","id":1,"isSelected":0,"monthInAPIFormate":"01-2024"}]},)~"
            R"~({"name":"Status","id":2,"isSelected":0,"subPlaces":[{"name":"Open","id":1,"isSelected":1}]}]}})~");
  // A screen's marks survive the trip.
  auto back = wire::decode<MDLFilterList>(wire::encode(tree));
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, tree);
}

TEST(Encoding, DescribeShowsLocalsApart) {
  auto dash = wire::decode<MDLUserDashboard>(R"~({"BuildingList": [{"FloorSelectionList": [{"Text": "L1"}]}]})~");
  ASSERT_TRUE(dash.ok());
  (*(*dash->buildingList)[0].floorSelectionlist)[0].isSelected = true;
  EXPECT_EQ(wire::describe(*dash).dump(),
            R"~({"BuildingList":[{"FloorSelectionList":[{"Text":"L1","(local)":{"isSelected":true}}]}]})~");
}

std::string nested(int depth) {
  // depth containers in all: the top object, then arrays under an unknown key.
  std::string s = R"~({"IsSuccess": "wrong", "x": )~";
  s += std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
  return s;
}

TEST(Limits, NestingDeeperThan64IsRefusedFirst) {
  auto at64 = wire::decode<GeneralResponseModel>(nested(64));
  ASSERT_FALSE(at64.ok());
  EXPECT_EQ(at64.status().message(), "IsSuccess: expected boolean, got text");

  auto at65 = wire::decode<GeneralResponseModel>(nested(65));
  ASSERT_FALSE(at65.ok());
  EXPECT_EQ(at65.status().message(), "JSON nested deeper than 64 levels");

  // Very deep input is refused without exhausting the stack.
  const std::string deep = std::string(200'000, '[') + std::string(200'000, ']');
  auto refused = wire::decode<GeneralResponseModel>(deep);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.status().message(), "JSON nested deeper than 64 levels");
  // ...but malformed JSON still wins.
  auto broken = wire::decode<GeneralResponseModel>(std::string(100, '[') + "}");
  ASSERT_FALSE(broken.ok());
  EXPECT_EQ(broken.status().message().rfind("invalid JSON", 0), 0u) << broken.status().message();
}

TEST(Limits, SeveralMiBPhotosDecode) {
  const std::string photo(3 * 1024 * 1024, 'A');
  auto reply = wire::decode<MDLCloseComplainGet>(R"~({"ImageUpload": [")~" + photo + R"~(", ")~" + photo + R"~("]})~");
  ASSERT_TRUE(reply.ok()) << reply.status().ToString();
  ASSERT_EQ(reply->imageUpload->size(), 2u);
  EXPECT_EQ((*reply->imageUpload)[1].size(), photo.size());
}

TEST(Limits, InvalidUtf8AndControlCharactersAreRefused) {
  for (const std::string& bad : {std::string("{\"Message\": \"\xff\"}"), std::string("{\"Message\": \"a\x01\"}"),
                                std::string("{\"Message\": \"\\ud800\"}")}) {
    auto r = wire::decode<GeneralResponseModel>(bad);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().message().rfind("invalid JSON", 0), 0u) << r.status().message();
  }
  auto escaped = wire::decode<GeneralResponseModel>(R"~({"Message": "caf\u00e9 \ud83d\ude00"})~");
  ASSERT_TRUE(escaped.ok());
  EXPECT_EQ(*escaped->message, "caf\xc3\xa9 \xf0\x9f\x98\x80");
}

}  // namespace
