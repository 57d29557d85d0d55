#include <gtest/gtest.h>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/Log.h"
#include "tests/Analytics/Protobuf/ProtobufTestUtil.h"

namespace {

TEST(GoldenBytes, BundleAndConfigVectors) {
  {
    APMPBMeasurementConfig config;
    APMPBPsmSetting psm;
    APMPBSetMessage(&config, 15, &psm);
    EXPECT_EQ(ToHex(*config.protoBuffer()), "82 01 00");
  }
  {
    APMPBMeasurementBundle bundle;
    APMPBSetInt64(&bundle, 6, 5);
    EXPECT_EQ(ToHex(*bundle.protoBuffer()), "d0 01 05");
  }
  {
    APMPBMeasurementBundle bundle;
    std::vector<APMPBObject> ids{APMPBNumber::numberWithInt(1), APMPBNumber::numberWithInt(2),
                                 APMPBNumber::numberWithInt(3)};
    APMPBSetArray(&bundle, 37, &ids);
    EXPECT_EQ(ToHex(*bundle.protoBuffer()), "e8 02 01 e8 02 02 e8 02 03");
  }
  {
    APMPBMeasurementBundle bundle;
    APMPBSetString(&bundle, 50, "");
    EXPECT_EQ(ToHex(*bundle.protoBuffer()), "da 04 00");
  }
}

TEST(GoldenBytes, VectorsDecodeBack) {
  auto config = APMPBMeasurementConfig::initWithBuffer(Hex("82 01 00"));
  ASSERT_NE(config, nullptr);
  EXPECT_TRUE(APMPBHasField(config.get(), 15));
  EXPECT_NE(APMPBGetMessage<APMPBPsmSetting>(config.get(), 15), nullptr);

  auto bundle = APMPBMeasurementBundle::initWithBuffer(Hex("d0 01 05 e8 02 01 e8 02 02 e8 02 03 da 04 00"));
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(APMPBGetInt64(bundle.get(), 6), 5);
  auto ids = APMPBGetArray(bundle.get(), 37, nullptr);
  ASSERT_TRUE(ids);
  ASSERT_EQ(ids->size(), 3u);
  EXPECT_EQ((*ids)[2].number()->unsignedIntValue(), 3u);
  EXPECT_EQ(APMPBGetString(bundle.get(), 50), std::optional<std::string>(""));
}

}  // namespace
