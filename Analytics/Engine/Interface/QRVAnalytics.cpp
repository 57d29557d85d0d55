#include "Analytics/Engine/Interface/QRVAnalytics.h"

#include <any>
#include <mutex>
#include <utility>

#include "Analytics/Engine/APMConditionalUserPropertyController.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/QuorvaneCore/QRVApp.h"
#include "Platform/QuorvaneCore/QRVInstallations.h"
#include "Platform/Runtime/ClassRegistry.h"

namespace {

bool CoreConfigured() { return platform::QRVApp::isDefaultAppConfigured(); }

// The interop connector's calls on the shared instance.
class SharedInstanceCalls : public QRVAnalyticsCalls {
 public:
  void logEventWithName(const std::string& name, const APMParameterObjects& parameters) override {
    QRVAnalytics::logEventWithName(name, parameters);
  }
  void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                  const APMParameterObjects& parameters) override {
    APMAnalytics::sharedInstance()->logInternalEvent(origin, name, parameters);
  }
  void setInternalUserProperty(const std::optional<platform::Value>& value, const std::string& name,
                               const std::string& origin) override {
    APMAnalytics::sharedInstance()->setInternalUserProperty(value, name, origin);
  }
  void userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                       UserPropertiesCallback callback) override {
    QRVAnalytics::userPropertiesIncludingInternal(includeInternal, queue, std::move(callback));
  }
  void maxUserPropertiesForOrigin(const std::string& origin, const platform::DispatchQueuePtr& queue,
                                  MaxUserPropertiesCallback callback) override {
    APMAnalytics::sharedInstance()->maxUserPropertiesForOrigin(origin, queue, std::move(callback));
  }
  int64_t addLogEventListener(LogEventListener listener) override {
    return QRVAnalytics::addLogEventListener(std::move(listener));
  }
  void removeLogEventListener(int64_t token) override { QRVAnalytics::removeLogEventListener(token); }

  std::vector<APMConditionalUserProperty> conditionalUserPropertiesWithNamePrefix(const std::string& prefix,
                                                                                 const std::string& origin) override {
    auto found = APMConditionalUserPropertyController::sharedInstance()->conditionalUserPropertiesWithNamePrefix(
        prefix, origin);
    return found ? std::move(*found) : std::vector<APMConditionalUserProperty>{};
  }
  void setConditionalUserProperty(const APMConditionalUserProperty& property, const std::string& name) override {
    APMConditionalUserPropertyController::sharedInstance()->setConditionalUserProperty(property, name);
  }
  void clearConditionalUserPropertyWithClearEvent(const APMEvent& clearEvent, const std::string& name) override {
    APMConditionalUserPropertyController::sharedInstance()->clearConditionalUserPropertyWithClearEvent(clearEvent,
                                                                                                      name);
  }
};

bool IsUnbridgeable(const platform::Value& value, const QRVAnalytics::UnbridgeableValueTest& isOfClass) {
  if (isOfClass(value)) return true;
  if (const auto* dictionary = value.getDictionary()) {
    for (const auto& [key, element] : *dictionary) {
      if (isOfClass(platform::Value(key)) || IsUnbridgeable(element, isOfClass)) return true;
    }
    return false;
  }
  if (const auto* array = value.getArray()) {
    for (const auto& element : *array) {
      if (IsUnbridgeable(element, isOfClass)) return true;
    }
  }
  return false;
}

struct InstallationObserver {
  std::mutex mu;
  platform::NotificationCenter::Token token = 0;
};

InstallationObserver& Observer() {
  static auto* observer = new InstallationObserver;
  return *observer;
}

}  // namespace

std::string QRVAnalytics::topLevelVersion() { return platform::QRVQuorvaneVersion(); }

void QRVAnalytics::logEventWithName(const std::string& name, const APMParameterObjects& parameters) {
  logEventWithOrigin("app", name, parameters);
}

bool QRVAnalytics::containsUnbridgeableValue(const APMParameterObjects& parameters) {
  auto& registry = platform::ClassRegistry::shared();
  if (!registry.classExists(kUnbridgeableValueClassName)) return false;
  UnbridgeableValueTest isOfClass;
  if (auto made = registry.instantiate(kUnbridgeableValueClassName)) {
    if (auto* test = std::any_cast<UnbridgeableValueTest>(&*made)) isOfClass = *test;
  }
  if (!isOfClass) return false;
  for (const auto& [key, object] : parameters) {
    if (isOfClass(platform::Value(key))) return true;
    const auto* value = std::get_if<platform::Value>(&object);
    if (value && IsUnbridgeable(*value, isOfClass)) return true;
  }
  return false;
}

void QRVAnalytics::logEventWithOrigin(const std::string& origin, const std::string& name,
                                      const APMParameterObjects& parameters) {
  if (!CoreConfigured()) {
    APMMeasurementMonitor().logWithLevel(3, 25018, "Event not logged. Call +[QRVApp configure]",
                                         APMEventNameForLogging(name));
    return;
  }
  if (containsUnbridgeableValue(parameters)) {
    APMMeasurementMonitor().logWithLevel(3, 25040,
                                         "Unbridgeable Swift type logged in parameters. Break on "
                                         "__QRVANALYTICS_UNBRIDGEABLE_SWIFT_VALUE_ERROR__ to debug.");
  }
  APMAnalytics::logEventWithOrigin(origin, name, parameters);
}

void QRVAnalytics::logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                              const APMParameterObjects& parameters) {
  APMAnalytics::logInternalEventWithOrigin(origin, name, parameters);
}

void QRVAnalytics::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                      const APMParameterObjects& parameters, double timestamp, bool ignoreEnabled,
                                      bool ignoreInterceptor) {
  APMAnalytics::logEventWithOrigin(origin, isPublicEvent, name, parameters, timestamp, ignoreEnabled,
                                   ignoreInterceptor);
}

void QRVAnalytics::setUserPropertyString(const std::optional<std::string>& value, const std::string& name) {
  if (!CoreConfigured()) {
    APMMeasurementMonitor().logWithLevel(3, 25019, "User property not set. Call +[QRVApp configure]",
                                         APMUserPropertyNameForLogging(name));
    return;
  }
  APMAnalytics::setUserPropertyString(value ? std::optional<platform::Value>(*value) : std::nullopt, name);
}

void QRVAnalytics::setUserID(const std::optional<std::string>& userID) {
  APMAnalytics::setUserID(userID ? std::optional<platform::Value>(*userID) : std::nullopt);
}

void QRVAnalytics::userPropertiesIncludingInternal(bool includeInternal, const platform::DispatchQueuePtr& queue,
                                                   APMAnalytics::UserPropertiesCallback callback) {
  APMAnalytics::userPropertiesIncludingInternal(includeInternal, queue, std::move(callback));
}

void QRVAnalytics::setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters) {
  APMAnalytics::setDefaultEventParameters(parameters);
}

void QRVAnalytics::setAnalyticsCollectionEnabled(bool enabled) { APMAnalytics::setAnalyticsEnabled(enabled, true); }

void QRVAnalytics::setSessionTimeoutInterval(double seconds) { APMAnalytics::setSessionTimeoutInterval(seconds); }

void QRVAnalytics::sessionIDWithCompletion(APMAnalytics::SessionIDCompletion completion) {
  APMAnalytics::sessionIDWithCompletion(std::move(completion));
}

std::optional<std::string> QRVAnalytics::appInstanceID() { return APMAnalytics::appInstanceID(); }

void QRVAnalytics::resetAnalyticsData() { APMAnalytics::resetAnalyticsData(); }

void QRVAnalytics::setConsent(const APMConsentSettingsUtil::Settings& consent) {
  APMAnalytics::setConsent(consent, APMAnalytics::kConsentSettings3PKey);
}

void QRVAnalytics::initiateOnDeviceConversionMeasurementWithEmailAddress(
    const std::optional<std::string>& emailAddress) {
  if (!CoreConfigured()) {
    APMMeasurementMonitor().logWithLevel(3, 25051, "Email address not set. Call +[QRVApp configure]");
    return;
  }
  APMAnalytics::setUserData({{kEmailAddressKey, platform::Value(emailAddress.value_or(std::string()))}});
}

void QRVAnalytics::initiateOnDeviceConversionMeasurementWithPhoneNumber(const std::optional<std::string>& phoneNumber) {
  if (!CoreConfigured()) {
    APMMeasurementMonitor().logWithLevel(3, 25052, "Phone number not set. Call +[QRVApp configure]");
    return;
  }
  APMAnalytics::setUserData({{kPhoneNumberKey, platform::Value(phoneNumber.value_or(std::string()))}});
}

void QRVAnalytics::setLogEventInterceptor(APMAnalytics::LogEventInterceptor interceptor) {
  APMAnalytics::setLogEventInterceptor(std::move(interceptor));
}

APMAnalytics::ListenerToken QRVAnalytics::addLogEventListener(APMAnalytics::LogEventListener listener) {
  return APMAnalytics::addLogEventListener(std::move(listener));
}

void QRVAnalytics::removeLogEventListener(APMAnalytics::ListenerToken token) {
  APMAnalytics::removeLogEventListener(token);
}

void QRVAnalytics::notifyEventListeners(const APMEvent& event) { APMAnalytics::notifyEventListeners(event); }

void QRVAnalytics::setOpenURLListener(APMAnalytics::OpenURLListener listener) {
  APMAnalytics::setOpenURLListener(std::move(listener));
}

void QRVAnalytics::startWithConfiguration(std::shared_ptr<void> configuration, const platform::QRVOptions& options) {
  platform::Value::Dictionary startOptions{
      {APMAnalytics::kOptionCollectionDeactivated, platform::Value(options.isAnalyticsCollectionDeactivated)},
      {APMAnalytics::kOptionCollectionEnabled, platform::Value(options.isAnalyticsCollectionEnabled)},
      {APMAnalytics::kOptionLogTag, platform::Value(platform::kQRVLoggerAnalytics)},
  };
  APMAnalytics::startWithAppID(options.trivandelAppID, "qa", startOptions, std::move(configuration));
  updateQuorvaneInstallationID();
  observeQuorvaneInstallationIDChanges();
}

void QRVAnalytics::registerStartWithCore() {
  platform::QRVApp::registerAnalyticsStart(
      [](const platform::QRVOptions& options) { startWithConfiguration(nullptr, options); });
}

void QRVAnalytics::handleEventsForBackgroundURLSession(const std::string& identifier,
                                                       const std::function<void()>& completionHandler) {
  APMAnalytics::handleEventsForBackgroundURLSession(identifier, completionHandler);
}

void QRVAnalytics::handleOpenURL(const std::string& url) { APMAnalytics::handleOpenURL(url); }

void QRVAnalytics::handleUserActivity(const platform::UserActivity& activity) {
  APMAnalytics::handleUserActivity(activity);
}

void QRVAnalytics::updateQuorvaneInstallationID() {
  platform::QRVInstallations::installations().installationIDWithCompletion(
      [](std::optional<std::string> identifier, std::optional<platform::Status> error) {
        if (!identifier && error) {
          APMMeasurementMonitor().logWithLevel(4, 25038, "Failed to get Installation ID.", error->message());
        }
        APMIdentity::sharedInstance()->setQuorvaneInstallationID(identifier.value_or(std::string()));
      });
}

void QRVAnalytics::observeQuorvaneInstallationIDChanges() {
  auto& center = platform::NotificationCenter::defaultCenter();
  std::lock_guard<std::mutex> lock(Observer().mu);
  center.removeObserver(Observer().token);
  Observer().token = center.addObserver(platform::QRVInstallationIDDidChangeNotification,
                                        [](const platform::Notification&) { updateQuorvaneInstallationID(); });
}

void QRVAnalytics::notCalled() {}

void QRVAnalytics::dispatchAsyncOnSerialQueue(std::function<void()> block) {
  APMAnalytics::dispatchAsyncOnSerialQueue(std::move(block));
}

void QRVAnalytics::queueOperationWithBlock(std::function<void()> block) {
  APMAnalytics::queueOperationWithBlock(std::move(block));
}

void QRVAnalytics::unsuspendOperationQueue() { APMAnalytics::unsuspendOperationQueue(); }

double QRVAnalytics::loadTimestamp() { return APMAnalytics::loadTimestamp(); }

const std::shared_ptr<QRVAnalyticsCalls>& QRVAnalytics::sharedInstance() {
  static const auto* instance = new std::shared_ptr<QRVAnalyticsCalls>(std::make_shared<SharedInstanceCalls>());
  return *instance;
}

void QRVAnalytics::installSharedInstance() { QRVAnalyticsCalls::install(sharedInstance()); }
