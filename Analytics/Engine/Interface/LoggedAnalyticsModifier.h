// A view modifier for declarative screens: each time the modified view
// appears it logs a public "screen_view" event with "screen_name" and
// "screen_class" from its fields, over the extra parameters. A plain value:
// copies share nothing mutable.
#pragma once

#include <string>

#include "Analytics/Engine/APMEvent.h"
#include "Platform/SwiftUI/View.h"
#include "Platform/SwiftUI/ViewModifier.h"

class LoggedAnalyticsModifier : public swiftui::ViewModifier {
 public:
  LoggedAnalyticsModifier(std::string screenName, std::string screenClass, APMParameterObjects extraParameters)
      : screenName_(std::move(screenName)),
        screenClass_(std::move(screenClass)),
        extraParameters_(std::move(extraParameters)) {}

  const std::string& screenName() const { return screenName_; }
  const std::string& screenClass() const { return screenClass_; }
  const APMParameterObjects& extraParameters() const { return extraParameters_; }

  // The content with an appearance action holding a copy of the fields.
  swiftui::View body(swiftui::View content) const override;
  // What one appearance logs.
  APMParameterObjects eventParameters() const;

 private:
  std::string screenName_;
  std::string screenClass_;
  APMParameterObjects extraParameters_;
};

// view.loggingScreenView(...) of the declarative framework.
swiftui::View loggingScreenView(const swiftui::View& view, const std::string& name, const std::string& screenClass,
                                const APMParameterObjects& extraParameters);
