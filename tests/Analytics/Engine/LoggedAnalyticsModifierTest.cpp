// The screen-view modifier on a declarative view, over a recorder of the
// public analytics calls.
#include "Analytics/Engine/Interface/LoggedAnalyticsModifier.h"

#include <gtest/gtest.h>

#include "tests/Analytics/Engine/PublicCallsRecorder.h"

namespace {

using platform::Value;

class LoggedAnalyticsModifierTest : public ::testing::Test {
 protected:
  void SetUp() override { QRVAnalyticsCalls::install(calls_); }
  void TearDown() override { QRVAnalyticsCalls::install(nullptr); }
  std::shared_ptr<PublicCallsRecorder> calls_ = std::make_shared<PublicCallsRecorder>();
};

TEST_F(LoggedAnalyticsModifierTest, EachAppearanceLogsAScreenViewWhoseFieldsOverrideExtras) {
  const APMParameterObjects extras = {
      {"screen_name", Value("from extras")},
      {"screen_class", Value("ExtraClass")},
      {"tab", Value(2)},
      {"typed", APMValue("kept")},
  };
  swiftui::View view = loggingScreenView(swiftui::View("Settings"), "Settings", "SettingsView", extras);
  view.appear();
  view.disappear();
  view.appear();

  const APMParameterObjects expected = {
      {"screen_name", Value("Settings")},
      {"screen_class", Value("SettingsView")},
      {"tab", Value(2)},
      {"typed", APMValue("kept")},
  };
  ASSERT_EQ(calls_->logged.size(), 2u);
  for (const auto& logged : calls_->logged) {
    EXPECT_EQ(logged.origin, "app") << "must take the public path";
    EXPECT_EQ(logged.name, "screen_view");
    EXPECT_EQ(logged.parameters, expected);
  }
}

TEST_F(LoggedAnalyticsModifierTest, AppearanceActionKeepsItsOwnCopyOfTheFields) {
  swiftui::View view;
  {
    LoggedAnalyticsModifier modifier("Home", "HomeView", {});
    view = view.modifier(modifier);
  }  // the modifier is gone; the view still logs its fields
  view.appear();
  ASSERT_EQ(calls_->logged.size(), 1u);
  EXPECT_EQ(calls_->logged[0].parameters,
            (APMParameterObjects{{"screen_name", Value("Home")}, {"screen_class", Value("HomeView")}}));

  // With nothing installed the appearance is dropped, not a crash.
  QRVAnalyticsCalls::install(nullptr);
  view.disappear();
  view.appear();
  EXPECT_EQ(calls_->logged.size(), 1u);
}

}  // namespace
