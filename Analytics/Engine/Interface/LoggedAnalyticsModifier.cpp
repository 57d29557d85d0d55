#include "Analytics/Engine/Interface/LoggedAnalyticsModifier.h"

#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"

APMParameterObjects LoggedAnalyticsModifier::eventParameters() const {
  APMParameterObjects parameters = extraParameters_;
  parameters["screen_name"] = platform::Value(screenName_);
  parameters["screen_class"] = platform::Value(screenClass_);
  return parameters;
}

swiftui::View LoggedAnalyticsModifier::body(swiftui::View content) const {
  return content.onAppear([fields = *this] {
    if (auto analytics = QRVAnalyticsCalls::installed()) analytics->logEventWithName("screen_view", fields.eventParameters());
  });
}

swiftui::View loggingScreenView(const swiftui::View& view, const std::string& name, const std::string& screenClass,
                                const APMParameterObjects& extraParameters) {
  return view.modifier(LoggedAnalyticsModifier(name, screenClass, extraParameters));
}
