#include "Facility/BLE+MainMethods/BLEDevice.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Facility/BLE+MainMethods/BleSdkError.h"
#include "Facility/BLE+MainMethods/DeviceParameter.h"
#include "Facility/BLE+MainMethods/DeviceType.h"
#include "Facility/BLE+MainMethods/isNumeric.h"
#include "Platform/CoreBluetooth/CBTypes.h"

namespace {

BLEDevicePtr Reader(const platform::Bytes& data, const std::string& id = "A") {
  platform::Value::Dictionary adv{{corebluetooth::CBAdvertisementDataManufacturerDataKey, platform::Value(data)}};
  return std::make_shared<BLEDevice>(std::make_shared<corebluetooth::CBPeripheral>(id), adv, -50, data.size() > 5 ? data[5] : 0,
                                     std::vector<std::int64_t>{-50, 0, 0, 0, 0}, 0.0);
}

TEST(BLEDeviceTest, DerivedValuesFromManufacturerData) {
  auto six = Reader({0x4C, 0x00, 0x00, 0x05, 0x00, 0x07});
  EXPECT_EQ(six->deviceTypeInt, 7);
  EXPECT_EQ(six->typeCode(), std::nullopt);
  EXPECT_EQ(six->flagDigit(), std::nullopt);
  EXPECT_FALSE(six->isDorvaFamily());

  auto seven = Reader({0x4C, 0x00, 0x00, 0x05, 0x00, 0x07, 0x1F});
  EXPECT_EQ(seven->manufacturerHex(), "4c0000050007" "1f");
  EXPECT_EQ(seven->typeCode(), "07");
  EXPECT_TRUE(seven->isDorvaFamily());
  EXPECT_EQ(seven->flagDigit(), '1');

  auto tenth = Reader({0x4C, 0x00, 0x00, 0x05, 0x00, 0x0A, 0x20});
  EXPECT_EQ(tenth->typeCode(), "0a");
  EXPECT_EQ(DeviceTypeFromRawValue("0a"), std::nullopt);
  EXPECT_EQ(DeviceTypeFromRawValue("07"), DeviceType::DorvaReader2);
  EXPECT_EQ(DeviceParameterFromRawValue(-60), DeviceParameter::DORVA_TAP_MED);
  EXPECT_EQ(DeviceParameterFromRawValue(-61), DeviceParameter::DORVA_RSSI);
  EXPECT_EQ(DeviceParameterFromRawValue(0), std::nullopt);

  BLEDevice none(nullptr, std::nullopt, std::nullopt, std::nullopt, {}, 0.0);
  EXPECT_EQ(none.manufacturerHex(), std::nullopt);
  EXPECT_FALSE(none.isDorvaFamily());
  EXPECT_TRUE(none.sameReader(BLEDevice(nullptr, std::nullopt, std::nullopt, std::nullopt, {}, 0.0)));
  EXPECT_FALSE(none.sameReader(*seven));
}

TEST(BLEDeviceTest, DistanceEstimate) {
  EXPECT_DOUBLE_EQ(distanceEstimate(-60, -60), 0.89976 + 0.111);
  EXPECT_DOUBLE_EQ(distanceEstimate(-30, -60), std::pow(0.5, 10));
  EXPECT_DOUBLE_EQ(distanceEstimate(0, -60), -1.0);
}

TEST(BLEDeviceTest, NearestFirstIsStableWithAbsentAsZero) {
  auto a = Reader({0, 0, 0, 0, 0, 1}, "absent");
  auto b = Reader({0, 0, 0, 0, 0, 1}, "half");
  b->estimateDistance = 0.5;
  auto c = Reader({0, 0, 0, 0, 0, 1}, "fifth");
  c->estimateDistance = 0.2;
  auto d = Reader({0, 0, 0, 0, 0, 1}, "zero");
  d->estimateDistance = 0.0;
  std::vector<BLEDevicePtr> list{b, a, c, d};
  sortNearestFirst(list);
  std::vector<std::string> ids;
  for (auto& r : list) ids.push_back(*r->identifierText());
  EXPECT_EQ(ids, (std::vector<std::string>{"absent", "zero", "fifth", "half"}));
}

TEST(BleSdkErrorTest, FixedErrorsAreSharedAndBuiltErrorsAreNew) {
  for (std::int64_t code : {1, 2, 3, 4, 5, 9, 10, 12, 13, 14, 16, 17, 23, 24}) {
    auto first = BleSdkError::fixed(code);
    ASSERT_TRUE(first) << code;
    EXPECT_EQ(first, BleSdkError::fixed(code));
    EXPECT_EQ(first->errorCode(), code);
  }
  EXPECT_EQ(BleSdkError::fixed(6), nullptr);
  EXPECT_EQ(BleSdkError::fixed(17)->errorMessage(), "Insert tap and go data method is not called");
  EXPECT_EQ(BleSdkError::fixed(23)->errorMessage(), "Unable to prepare the access command, Please try again");
  EXPECT_EQ(BleSdkError::fixed(24)->errorMessage(), "Device did not respond, Please try again");
  EXPECT_NE(BleSdkError::initFailure("x"), BleSdkError::initFailure("x"));
  EXPECT_NE(BleSdkError::systemError("x"), BleSdkError::systemError("x"));
  EXPECT_EQ(BleSdkError::initFailure(std::nullopt)->errorMessage(),
            "Error in initializing sdk: Something went wrong, Please try again");
  EXPECT_EQ(BleSdkError::initFailure("timed out")->errorMessage(), "Error in initializing sdk: timed out");
  EXPECT_EQ(BleSdkError::systemError("gone")->errorCode(), 22);
}

TEST(IsNumericTest, DigitsOnly) {
  EXPECT_TRUE(isNumeric(""));
  EXPECT_TRUE(isNumeric("0123456789"));
  EXPECT_FALSE(isNumeric("12a"));
  EXPECT_FALSE(isNumeric(" 1"));
  EXPECT_FALSE(isNumeric("-1"));
  EXPECT_FALSE(isNumeric("\xd9\xa1"));  // a non-ASCII digit
}

}  // namespace
