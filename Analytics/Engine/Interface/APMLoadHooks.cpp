#include "Analytics/Engine/Interface/APMLoadHooks.h"

#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/QRVAnalytics.h"
#include "Analytics/Engine/Interface/QRVAnalyticsConnector.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/LoadHookRegistry.h"

namespace {

constexpr const char* kPublicClassesHook = "QRVAnalytics";
constexpr const char* kLoadTimeHook = "APMAnalytics";
constexpr const char* kLaunchSubscriptionHook = "APMMeasurement";
constexpr const char* kConnectorHook = "QRVAnalyticsConnector";
constexpr const char* kViewControllerHooksHook = "APMScreenViewReporter";

// Only records the hooks: the clock, bundle, logger and files are set up by
// the program or test before launch runs them.
const platform::LoadHookRegistry::Registrar kPublicClasses{kPublicClassesHook,
                                                           [] { APMLoadHooks::registerPublicClasses(); }};
const platform::LoadHookRegistry::Registrar kLoadTime{kLoadTimeHook, [] { (void)APMAnalytics::loadTimestamp(); }};
const platform::LoadHookRegistry::Registrar kLaunchSubscription{
    kLaunchSubscriptionHook, [] { APMMeasurement::subscribeForAppDidFinishLaunchingNotifications(); }};
const platform::LoadHookRegistry::Registrar kConnector{kConnectorHook,
                                                       [] { QRVAnalyticsConnector::registerWithCore(); }};
const platform::LoadHookRegistry::Registrar kViewControllerHooks{
    kViewControllerHooksHook, [] { APMScreenViewReporter::registerViewControllerHooks(); }};

}  // namespace

const std::vector<std::string>& APMLoadHooks::publicClassNames() {
  static const auto* names = new std::vector<std::string>{
      QRVAnalytics::kClassName,
      "QRVAMeasurement",
      "QRVAScreenViewReporter",
      "QRVAAdExposureReporter",
      "QRVAConditionalUserProperty",
      "QRVAConditionalUserPropertyController",
      "QRVAEvent",
      "QRVAIdentifiers",
      "QRVAUserAttribute",
      "QRVAValue",
  };
  return *names;
}

const std::vector<std::string>& APMLoadHooks::hookNames() {
  static const auto* names = new std::vector<std::string>{kPublicClassesHook, kLoadTimeHook, kLaunchSubscriptionHook,
                                                          kConnectorHook, kViewControllerHooksHook};
  return *names;
}

void APMLoadHooks::registerPublicClasses() {
  auto& registry = platform::ClassRegistry::shared();
  for (const auto& name : publicClassNames()) registry.registerClass(name);
  QRVAnalytics::installSharedInstance();
  QRVAnalytics::registerStartWithCore();
}
