// The decoding rules, as a table: record, reply, and either the decoded
// record in its diagnostic form (locals under "(local)") or the exact error.
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Facility/Models/RecordRegistry.h"

namespace {

struct Case {
  const char* record;
  const char* reply;
  const char* decoded;  // JSON of the decoded record, or nullptr
  const char* error;    // exact failure text, or nullptr
};

const Case kCases[] = {
    // Envelope and scalar typing.
    {"MDLLogout", R"~({"IsSuccess": true})~", R"~({"IsSuccess": true})~", nullptr},
    {"GeneralResponseModel", R"~({"IsSuccess": 1, "Message": "x"})~", nullptr, "IsSuccess: expected boolean, got number"},
    {"GeneralResponseModel", R"~({"IsSuccess": "true"})~", nullptr, "IsSuccess: expected boolean, got text"},
    {"GeneralResponseModel", R"~({"IsSuccess": null, "Message": null})~", "{}", nullptr},
    {"MDLLogout", R"~({"isSuccess": true})~", "{}", nullptr},
    {"MDLInitApiResponse", R"~({"isSuccess": true, "key": "k"})~", R"~({"key": "k", "isSuccess": true})~", nullptr},
    {"MDLInitApi", R"~({"isSuccess": true, "key": "k"})~", R"~({"key": "k"})~", nullptr},
    {"GeneralResponseModel", R"~({"Message": 5})~", nullptr, "Message: expected text, got number"},
    {"GeneralResponseModel", R"~({"Message": {}})~", nullptr, "Message: expected text, got object"},
    {"GeneralResponseModel", R"~({"Message": ["a"]})~", nullptr, "Message: expected text, got array"},

    // Integers: integral values that fit int64 only.
    {"MDLComplainCount", R"~({"ComplainCount": 12})~", R"~({"ComplainCount": 12})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": 12.0})~", R"~({"ComplainCount": 12})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": -0.0})~", R"~({"ComplainCount": 0})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": 1e2})~", R"~({"ComplainCount": 100})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": 9223372036854775807})~", R"~({"ComplainCount": 9223372036854775807})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": -9223372036854775808})~", R"~({"ComplainCount": -9223372036854775808})~", nullptr},
    {"MDLComplainCount", R"~({"ComplainCount": 12.5})~", nullptr, "ComplainCount: expected integer, got non-integral number"},
    {"MDLComplainCount", R"~({"ComplainCount": "12"})~", nullptr, "ComplainCount: expected integer, got text"},
    {"MDLComplainCount", R"~({"ComplainCount": true})~", nullptr, "ComplainCount: expected integer, got boolean"},
    {"MDLComplainCount", R"~({"ComplainCount": 9223372036854775808})~", nullptr, "ComplainCount: expected integer, got number out of 64-bit range"},
    {"MDLComplainCount", R"~({"ComplainCount": -9223372036854775809})~", nullptr, "ComplainCount: expected integer, got number out of 64-bit range"},
    {"MDLComplainCount", R"~({"ComplainCount": 99999999999999999999})~", nullptr, "ComplainCount: expected integer, got number out of 64-bit range"},
    {"MDLComplainCount", R"~({"ComplainCount": 9.3e18})~", nullptr, "ComplainCount: expected integer, got number out of 64-bit range"},
    {"MDLComplainCount", R"~({"ComplainCount": 1e400})~", nullptr, "invalid JSON: number overflow parsing '1e400'"},

    // Top level and malformed input.
    {"GeneralResponseModel", "[]", nullptr, "top level: expected object, got array"},
    {"GeneralResponseModel", R"~("ok")~", nullptr, "top level: expected object, got text"},
    {"GeneralResponseModel", "null", nullptr, "top level: expected object, got null"},
    {"GeneralResponseModel", "", nullptr,
     "invalid JSON: parse error at line 1, column 1: syntax error while parsing value - unexpected end of input; expected '[', '{', or a literal"},
    {"GeneralResponseModel", R"~({"IsSuccess": true} x)~", nullptr,
     "invalid JSON: parse error at line 1, column 21: syntax error while parsing value - invalid literal; last read: '\"IsSuccess\": true} x'; expected end of input"},
    // Malformed JSON wins over a typing failure met before it.
    {"GeneralResponseModel", R"~({"IsSuccess": "x", )~", nullptr,
     "invalid JSON: parse error at line 1, column 20: syntax error while parsing object key - unexpected end of input; expected string literal"},

    // Keys: exact, case-sensitive; unknown keys ignored whatever they hold.
    {"MDLLogin", R"~({"apikey": "k", "ImageUrl": "x", "ApiKey": "K"})~", R"~({"ApiKey": "K"})~", nullptr},
    {"MDLLogin", R"~({"IsSuccess": true, "EmpId": 42, "AccessToken": "a", "ApiKey": "k"})~",
     R"~({"EmpId": 42, "AccessToken": "a", "ApiKey": "k", "IsSuccess": true})~", nullptr},
    {"MDLLogin", R"~({"EmpId": "42"})~", nullptr, "EmpId: expected integer, got text"},
    {"MDLLogin", R"~({"FacilityAdmin": true})~", nullptr, "FacilityAdmin: expected text, got boolean"},
    {"GeneralResponseModel", R"~({"Other": {"deep": [1, null, {"x": [[]]}]}, "IsSuccess": false})~", R"~({"IsSuccess": false})~", nullptr},
    // Duplicate keys: the last one wins, also over an earlier bad value.
    {"GeneralResponseModel", R"~({"Message": 5, "Message": "ok"})~", R"~({"Message": "ok"})~", nullptr},
    {"GeneralResponseModel", R"~({"Message": "ok", "Message": 5})~", nullptr, "Message: expected text, got number"},
    {"MDLUserDashboard", R"~({"BuildingList": [{"Text": 1}], "BuildingList": [{"Text": "B"}]})~",
     R"~({"BuildingList": [{"Text": "B"}]})~", nullptr},

    // Nested failures fail the whole reply and name the path.
    {"MDLUserDashboard", R"~({"Name": "n", "BuildingList": [{"Text": "A"}, {"FloorSelectionList": [{"Value": 5}]}]})~", nullptr,
     "BuildingList[1].FloorSelectionList[0].Value: expected text, got number"},
    {"MDLUserDashboard", R"~({"BuildingList": [null]})~", nullptr, "BuildingList[0]: expected object, got null"},
    {"MDLUserDashboard", R"~({"BuildingList": [{}, "b"]})~", nullptr, "BuildingList[1]: expected object, got text"},
    {"MDLUserDashboard", R"~({"BuildingList": {}})~", nullptr, "BuildingList: expected array, got object"},
    {"MDLUserDashboard", R"~({"CarSpace": 2})~", nullptr, "CarSpace: expected text, got number"},
    {"MDLUserDashboard", R"~({"IsInviteVisitor": "yes"})~", nullptr, "IsInviteVisitor: expected boolean, got text"},
    {"MDLUserDashboard", R"~({"BuildingList": null})~", "{}", nullptr},
    {"MDLUserDashboard", R"~({"BuildingList": []})~", R"~({"BuildingList": []})~", nullptr},
    // Local fields start at their initial values whatever the reply holds.
    {"MDLUserDashboard",
     R"~({"BuildingList": [{"DefaultFloorList": [], "FloorSelectionList": [{"Text": "L1", "isSelected": true}]}]})~",
     R"~({"BuildingList": [{"DefaultFloorList": [], "FloorSelectionList": [{"Text": "L1", "(local)": {"isSelected": false}}]}]})~", nullptr},
    {"MDLUserDashboard", R"~({"BuildingList": [{"DefaultFloorList": [{"Text": "G", "Value": "0"}]}]})~",
     R"~({"BuildingList": [{"DefaultFloorList": [{"Text": "G", "Value": "0", "(local)": {"isSelected": false}}]}]})~", nullptr},

    // Read order decides which of several failures is reported.
    {"MDLLogin", R"~({"FacilityAdmin": true, "IsFindVehicle": "x"})~", nullptr, "IsFindVehicle: expected boolean, got text"},
    {"MDLBaseVisitor", R"~({"TagId": 5, "IsSuccess": "x"})~", nullptr, "IsSuccess: expected boolean, got text"},
    {"MDLBaseVisitor", R"~({"DefaultDownList": [{"IsChecked": "true"}], "DefaultUpList": [{"IsChecked": "true"}], "TagId": 5})~",
     nullptr, "DefaultUpList[0].IsChecked: expected boolean, got text"},
    {"MDLUserDashboard", R"~({"BuildingList": [{"FloorSelectionList": [{"Value": 1}], "Text": 2}]})~", nullptr,
     "BuildingList[0].Text: expected text, got number"},
    {"MDLUserDashboard", R"~({"BuildingList": [{"Text": 2}, {"Text": 3}]})~", nullptr, "BuildingList[0].Text: expected text, got number"},

    // Locations: required texts default to "" only when missing or null.
    {"MDLBaseFacility", R"~({"LocationList": [{"Value": "12"}, {"Value": null, "Text": "North"}, {}]})~",
     R"~({"LocationList": [{"Value": "12", "Text": ""}, {"Value": "", "Text": "North"}, {"Value": "", "Text": ""}]})~", nullptr},
    {"MDLBaseFacility", R"~({"LocationList": [{"Value": 12}]})~", nullptr, "LocationList[0].Value: expected text, got number"},
    {"MDLVisitorBuilding", R"~({"FloorList": [{}]})~", R"~({"FloorList": [{"Value": "", "Text": ""}]})~", nullptr},

    // Facility dashboard tiles: "GlobalTile" is an array in one tile, an object in the other.
    {"MDLFacilityDashboard", R"~({"ParkingTileList": [{"GlobalTile": [], "selectedSegmentIndex": 3}]})~",
     R"~({"ParkingTileList": [{"GlobalTile": [], "(local)": {"selectedSegmentIndex": 0}}]})~", nullptr},
    {"MDLFacilityDashboard", R"~({"VisitorTileList": [{"GlobalTile": {}}]})~",
     R"~({"VisitorTileList": [{"GlobalTile": {}, "(local)": {"selectedSegmentIndex": 0}}]})~", nullptr},
    {"MDLFacilityDashboard", R"~({"ParkingTileList": [{"GlobalTile": {}}]})~", nullptr, "ParkingTileList[0].GlobalTile: expected array, got object"},
    {"MDLFacilityDashboard", R"~({"VisitorTileList": [{"GlobalTile": []}]})~", nullptr, "VisitorTileList[0].GlobalTile: expected object, got array"},
    {"MDLFacilityDashboard", R"~({"VisitorTileList": [{"TenantTile": [{"Total": 5}]}]})~", nullptr,
     "VisitorTileList[0].TenantTile[0].Total: expected text, got number"},

    // Tenant records.
    {"MDLAllotedFacility", R"~({"ParkingTileList": [{"TileName": "P", "TimeName": "x", "OccupancyList": [{"VehicleType": "car", "VehicalType": "0"}]}]})~",
     R"~({"ParkingTileList": [{"TileName": "P", "OccupancyList": [{"VehicalType": "0"}]}]})~", nullptr},
    {"MDLAllotedFacility", R"~({"IdentityList": [{"Occupied": 3}]})~", nullptr, "IdentityList[0].Occupied: expected text, got number"},
    {"MDLManageFacility", R"~({"TotalRecords": ""})~", R"~({"TotalRecords": ""})~", nullptr},

    // Visitors.
    {"MDLBaseVisitor", R"~({"DefaultUpList": [{"BuildingID": "1", "Text": "L5"}]})~", R"~({"DefaultUpList": [{"Text": "L5"}]})~", nullptr},
    {"MDLBaseVisitor", R"~({"VisitorCategoryList": [{"Text": "Guest"}]})~", R"~({"VisitorCategoryList": [{"Text": "Guest"}]})~", nullptr},
    {"MDLInviteVisitor", R"~({"IsSuccess": false})~", R"~({"IsSuccess": false})~", nullptr},

    // Complaints.
    {"MDLComplainList", R"~({"IsSuccess": true, "lstComplainList": []})~", R"~({"IsSuccess": true, "lstComplainList": []})~", nullptr},
    {"MDLCloseComplainList", R"~({"IsSuccess": true, "lstComplainList": []})~", R"~({"IsSuccess": true, "lstComplainList": []})~", nullptr},
    {"MDLComplainCategory", R"~({"FTID": 3})~", nullptr, "FTID: expected text, got number"},
    {"MDLComplainCategory", R"~({"FTID": "3", "lstComplainCategory": [{"ID": 7, "Name": "Lighting"}]})~",
     R"~({"FTID": "3", "lstComplainCategory": [{"ID": 7, "Name": "Lighting", "(local)": {"isSelected": 0}}]})~", nullptr},
    {"MDLComplainCategory", R"~({"lstComplainCategory": [{"ID": "7"}]})~", nullptr, "lstComplainCategory[0].ID: expected integer, got text"},
    {"MDLCloseComplainGet", R"~({"ID": "5"})~", nullptr, "ID: expected integer, got text"},
    {"MDLCloseComplainGet", R"~({"ID": 5})~", R"~({"ID": 5})~", nullptr},
    {"MDLComplainList", R"~({"lstComplainList": [{"ID": 5}]})~", nullptr, "lstComplainList[0].ID: expected text, got number"},
    {"MDLComplainList", R"~({"lstComplainList": [{"ID": "5"}]})~", R"~({"lstComplainList": [{"ID": "5"}]})~", nullptr},
    {"MDLCloseComplainList", R"~({"lstComplainList": [{"ID": 5}]})~", nullptr, "lstComplainList[0].ID: expected text, got number"},
    {"MDLCloseComplainList", R"~({"lstComplainList": [null]})~", nullptr, "lstComplainList[0]: expected object, got null"},
    {"MDLCloseComplainList", R"~({"AllTotal": "6"})~", nullptr, "AllTotal: expected integer, got text"},
    {"MDLCloseComplainGet", R"~({"VistiDateTime": "a", "VisitDateTime": "b", "DateOfclosure": "c", "DateOfClosure": "d"})~",
     R"~({"VistiDateTime": "a", "DateOfclosure": "c"})~", nullptr},
    {"MDLCloseComplainGet", R"~({"ImageUpload": ["a", null]})~", nullptr, "ImageUpload[1]: expected text, got null"},
    {"MDLCloseComplainGet", R"~({"ImageUpload": ["a", {}]})~", nullptr, "ImageUpload[1]: expected text, got object"},
    {"MDLCloseComplainGet", R"~({"ImageUpload": null})~", "{}", nullptr},
    {"MDLCloseComplainGet", R"~({"ImageUpload": []})~", R"~({"ImageUpload": []})~", nullptr},

    // Filter tree.
    {"MDLFilterList", R"~({"responseData": {"places": []}})~", R"~({"responseData": {"places": []}})~", nullptr},
    {"MDLFilterList", "{}", "{}", nullptr},
    {"MDLFilterList", R"~({"responseData": {"places": [{"isSelected": true}]}})~", nullptr,
     "responseData.places[0].isSelected: expected integer, got boolean"},
    {"MDLFilterList", R"~({"responseData": {"places": [{"name": "Status", "id": 2, "isSelected": 0}]}})~",
     R"~({"responseData": {"places": [{"name": "Status", "id": 2, "isSelected": 0}]}})~", nullptr},

    // Sign-in family.
    {"NotificationCountModel", R"~({"Total": 3})~", nullptr, "Total: expected text, got number"},
    {"NotificationCountModel", R"~({"Total": "3"})~", R"~({"Total": "3"})~", nullptr},
    {"MDLGetVersion", R"~({"MessageCode": "c", "access_token": "a", "refresh_token": "r", "version": "v"})~",
     R"~({"MessageCode": "c", "access_token": "a", "refresh_token": "r", "version": "v"})~", nullptr},
    {"MDLGetAccessToken", R"~({"MessageCode": "c", "access_token": "a", "refresh_token": "r", "version": "v"})~",
     R"~({"MessageCode": "c", "access_token": "a", "refresh_token": "r"})~", nullptr},

    // Vehicle lookup and broadcasts.
    {"VehicleDetailsModel", R"~({"VehicleNumber": "KA01", "IsSuccess": true, "EmpList": []})~",
     R"~({"VehicleNumber": "KA01", "IsSuccess": true, "EmpList": []})~", nullptr},
    {"VehicleDetailsModel", R"~({"EmpList": [{"EmpID": 7}]})~", nullptr, "EmpList[0].EmpID: expected text, got number"},
    {"BroadCastNotificationModel", R"~({"BroadCastNotificationList": [{"VIEWED": 1}]})~", nullptr,
     "BroadCastNotificationList[0].VIEWED: expected boolean, got number"},
    {"BroadCastNotificationModel", R"~({"BroadCastNotificationList": [{"Viewed": true, "viewed": false}]})~",
     R"~({"BroadCastNotificationList": [{}]})~", nullptr},
    {"BroadCastNotificationModel", R"~({"BroadCastNotificationList": [{"BroadCastMasterID": "88"}]})~", nullptr,
     "BroadCastNotificationList[0].BroadCastMasterID: expected integer, got text"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.record << " " << c.reply; }

class DecodingRule : public ::testing::TestWithParam<Case> {};

TEST_P(DecodingRule, Holds) {
  const Case& c = GetParam();
  const wire::RecordEntry* entry = wire::RecordRegistry::find(c.record);
  ASSERT_NE(entry, nullptr) << c.record;
  auto result = entry->decodeDescribed(c.reply);
  if (c.error) {
    ASSERT_FALSE(result.ok()) << c.record << " " << c.reply << " gave " << result->dump();
    EXPECT_EQ(result.status().message(), c.error) << c.reply;
  } else {
    ASSERT_TRUE(result.ok()) << c.record << " " << c.reply << ": " << result.status().ToString();
    EXPECT_EQ(nlohmann::json::parse(result->dump()), nlohmann::json::parse(c.decoded)) << c.reply;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DecodingRule, ::testing::ValuesIn(kCases));

}  // namespace
