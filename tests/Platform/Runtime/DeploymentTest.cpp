#include "Platform/Runtime/Deployment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Runtime/ProcessInfo.h"

namespace {

using platform::Deployment;
using platform::Value;

class DeploymentTest : public ::testing::Test {
 protected:
  void SetUp() override { Use(std::nullopt); }
  void TearDown() override {
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable, std::nullopt);
    Deployment::resetForTesting();
  }
  // Points $FACILITY_DEPLOYMENT at the path (none: unset) for the next read.
  void Use(const std::optional<std::string>& path) {
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(Deployment::kEnvironmentVariable,
                                                                       path ? *path : std::optional<std::string>(""));
    Deployment::resetForTesting();
  }
  std::string Write(const Value& list, const std::string& name = "deployment.plist") {
    std::string path = root_.path() + "/" + name;
    EXPECT_TRUE(platform::PropertyList::writeFile(path, list).ok());
    return path;
  }

  platform::TemporaryDataRoot root_;
};

void ExpectShipped() {
  EXPECT_EQ(Deployment::measurementServiceHost(), "measurement.facility.invalid");
  EXPECT_EQ(Deployment::adsConversionServiceHost(), "adsconversion.facility.invalid");
  EXPECT_EQ(Deployment::searchAdsAttributionServiceHost(), "searchads.facility.invalid");
  EXPECT_FALSE(Deployment::trustedCertificatesFile());
}

TEST_F(DeploymentTest, WithoutAListTheShippedValuesHold) { ExpectShipped(); }

TEST_F(DeploymentTest, EveryKeyOfTheListIsRead) {
  Use(Write(Value(Value::Dictionary{{"MeasurementServiceHost", Value("127.0.0.1:8443")},
                                    {"AdsConversionServiceHost", Value("ads.example.test")},
                                    {"SearchAdsAttributionServiceHost", Value("search.example.test:9000")},
                                    {"TrustedCertificatesFile", Value("/etc/facility/test-ca.pem")}})));
  EXPECT_EQ(Deployment::measurementServiceHost(), "127.0.0.1:8443");
  EXPECT_EQ(Deployment::adsConversionServiceHost(), "ads.example.test");
  EXPECT_EQ(Deployment::searchAdsAttributionServiceHost(), "search.example.test:9000");
  EXPECT_EQ(Deployment::trustedCertificatesFile(), "/etc/facility/test-ca.pem");
}

TEST_F(DeploymentTest, AMissingKeyOrAValueThatIsNotTextKeepsItsShippedValue) {
  platform::LogCapture capture;
  Use(Write(Value(Value::Dictionary{{"MeasurementServiceHost", Value("127.0.0.1:1")},
                                    {"AdsConversionServiceHost", Value(int64_t{443})},
                                    {"TrustedCertificatesFile", Value(true)}})));
  EXPECT_EQ(Deployment::measurementServiceHost(), "127.0.0.1:1");
  EXPECT_EQ(Deployment::adsConversionServiceHost(), "adsconversion.facility.invalid");
  EXPECT_EQ(Deployment::searchAdsAttributionServiceHost(), "searchads.facility.invalid");
  EXPECT_FALSE(Deployment::trustedCertificatesFile());
  EXPECT_TRUE(capture.contains("\"AdsConversionServiceHost\" is not text"));
  EXPECT_TRUE(capture.contains("\"TrustedCertificatesFile\" is not text"));
}

TEST_F(DeploymentTest, AListThatDoesNotReadChangesNothing) {
  std::string garbage = root_.path() + "/garbage.plist";
  std::ofstream(garbage) << "MeasurementServiceHost = evil.example";
  const struct {
    const char* name;
    std::string path;
    const char* logged;
  } cases[] = {
      {"missing file", root_.path() + "/absent.plist", "does not read"},
      {"not a property list", garbage, "does not read"},
      {"not a dictionary", Write(Value(Value::Array{Value("evil.example")}), "array.plist"), "is not a dictionary"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::LogCapture capture;
    Use(c.path);
    ExpectShipped();
    EXPECT_TRUE(capture.contains(c.logged));
  }
}

TEST_F(DeploymentTest, TheListIsReadOnceUntilReset) {
  std::string path = Write(Value(Value::Dictionary{{"MeasurementServiceHost", Value("first.example.test")}}));
  Use(path);
  EXPECT_EQ(Deployment::measurementServiceHost(), "first.example.test");
  Write(Value(Value::Dictionary{{"MeasurementServiceHost", Value("second.example.test")}}));
  EXPECT_EQ(Deployment::measurementServiceHost(), "first.example.test");
  Deployment::resetForTesting();
  EXPECT_EQ(Deployment::measurementServiceHost(), "second.example.test");
}

}  // namespace
