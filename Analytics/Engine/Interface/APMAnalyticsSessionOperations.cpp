// The facade's session and identity operations: the screen name, the session
// timeout and ID, the app instance ID, user data, the reset of analytics data
// and the default event parameters.
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAnalyticsState.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"

void APMAnalytics::setScreenName(const std::optional<std::string>& screenName,
                                 const std::optional<std::string>& screenClass) {
  if (!platform::DispatchQueue::main()->isCurrent()) {
    APMMeasurementMonitor().logWithLevel(3, 25025,
                                         "setScreenName:screenClass: must be called from the main thread to ensure "
                                         "that events are associated with the intended screen.");
    return;
  }
  if (std::shared_ptr<APMScreenViewReporter> reporter = APMScreenViewReporter::sharedInstance()) {
    reporter->setScreenName(screenName, screenClass);
  }
}

void APMAnalytics::setSessionTimeoutInterval(double seconds) {
  dispatchAsyncOnSerialQueue([seconds] {
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) {
      engine->setSessionTimeoutInterval(seconds);
    }
  });
}

void APMAnalytics::sessionIDWithCompletion(SessionIDCompletion completion) {
  if (!completion) {
    APMMeasurementMonitor().logWithLevel(1, 25050, "Analytics sessionID completion cannot be nil");
    return;
  }
  SessionIDCompletion answer = [completion = std::move(completion)](int64_t sessionID,
                                                                    const std::optional<APMError>& error) {
    platform::DispatchQueue::global(platform::QueuePriority::defaultPriority)->async([completion, sessionID, error] {
      completion(sessionID, error);
    });
  };
  dispatchAsyncOnSerialQueue([answer = std::move(answer)] {
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine || !engine->didInitializeComponents()) {
      answer(0, APMError::apm_errorWithCode(13, "Analytics uninitialized"));
      return;
    }
    if (!APMMeasurement::remoteConfig()->isSessionIDEnabled()) {
      answer(0, APMError::apm_errorWithCode(13, "Session ID API disabled"));
      return;
    }
    engine->sessionIDWithCompletion(answer);
  });
}

std::optional<std::string> APMAnalytics::appInstanceID() {
  if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) return std::nullopt;
  std::optional<std::string> afterReset = appInstanceIDAfterReset();
  if (afterReset && !afterReset->empty()) return afterReset;
  return APMIdentity::sharedInstance()->appInstanceID();
}

void APMAnalytics::setUserData(const platform::Value::Dictionary& userData) {
  queueOperationWithBlockThenWait([userData] { setUserDataOnSerialQueue(userData); });
}

void APMAnalytics::setUserDataOnSerialQueue(const platform::Value::Dictionary& userData) {
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine || !isAnalyticsEnabled()) {
    APMMeasurementMonitor().logWithLevel(4, 25044, "Analytics is disabled. User data not set.");
    return;
  }
  engine->setUserData(userData);
}

void APMAnalytics::resetAnalyticsData() {
  setLoadTimestamp(platform::Clock::nowSeconds());
  setResetRetryCount(resetRetryCount() + 1);
  setNeedFirstOpenAfterReset(true);
  std::string made = APMIdentity::randomAppInstanceID();
  if (made.empty()) {
    APMMeasurementMonitor().logWithLevel(1, 25039, "Cannot generate a new app instance ID");
    return;
  }
  // While analytics storage is denied the new ID is neither kept nor used.
  std::optional<std::string> appInstanceID;
  if (!APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
    appInstanceID = made;
    setAppInstanceIDAfterReset(made);
  }
  queueOperationWithBlock([appInstanceID] {
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine) return;
    // An empty ID stands for none.
    if (!engine->resetAnalyticsDataWithAppInstanceID(appInstanceID.value_or(""))) {
      APMMeasurementMonitor().logWithLevel(1, 25037, "Failed to reset Analytics data");
      return;
    }
    setResetRetryCount(0);
    if (appInstanceID && appInstanceIDAfterReset() == appInstanceID) setAppInstanceIDAfterReset(std::nullopt);
  });
}

void APMAnalytics::setDefaultEventParameters(const std::optional<platform::Value::Dictionary>& parameters) {
  queueOperationWithBlock([parameters] {
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine || !isAnalyticsEnabled()) return;
    engine->setDefaultEventParameters(parameters);
  });
}
