#include "Platform/CoreLocation/CLGeocoder.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"

namespace corelocation {
namespace {

class CLGeocoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    CLGeocoder::resetTable();
  }
  void TearDown() override {
    clock_->runUntilIdle();
    CLGeocoder::resetTable();
    platform::Clock::setCurrent(nullptr);
  }
  std::shared_ptr<platform::ManualClock> clock_;
};

TEST_F(CLGeocoderTest, AnswersFromTheTableOnTheMainLoopNeverInsideTheCall) {
  CLPlacemark vienna;
  vienna.locality = "Vienna";
  CLGeocoder::setTableEntry(CLLocation(48.2082, 16.3738), {vienna});
  struct Answer {
    std::optional<std::vector<CLPlacemark>> placemarks;
    std::optional<platform::Status> error;
    bool onMain;
  };
  std::vector<Answer> answers;
  CLGeocoder geocoder;
  auto record = [&](std::optional<std::vector<CLPlacemark>> p, std::optional<platform::Status> e) {
    answers.push_back({std::move(p), std::move(e), platform::RunLoop::isMainThread()});
  };
  geocoder.reverseGeocodeLocation(CLLocation(48.2082, 16.3738), record);
  geocoder.reverseGeocodeLocation(CLLocation(48.3, 16.3738), record);
  EXPECT_TRUE(answers.empty()) << "answers come later, on the main loop";
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_EQ(answers.size(), 2u);
  ASSERT_TRUE(answers[0].placemarks.has_value());
  EXPECT_EQ(answers[0].placemarks->at(0).locality.value_or(""), "Vienna");
  EXPECT_FALSE(answers[0].error.has_value());
  EXPECT_TRUE(answers[0].onMain);
  EXPECT_FALSE(answers[1].placemarks.has_value());
  ASSERT_TRUE(answers[1].error.has_value());
  EXPECT_TRUE(answers[1].error->IsNotFound());
  EXPECT_EQ(CLGeocoder::lookupCount(), 2);
}

TEST_F(CLGeocoderTest, AnEmptyTableAnswersEveryLookupWithAnError) {
  int errors = 0;
  CLGeocoder().reverseGeocodeLocation(CLLocation(0, 0), [&](auto placemarks, auto error) {
    if (!placemarks && error) ++errors;
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(errors, 1);
}

}  // namespace
}  // namespace corelocation
