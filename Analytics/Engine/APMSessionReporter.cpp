#include "Analytics/Engine/APMSessionReporter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "Analytics/Engine/APMAdExposureReporter.h"
#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMScreen.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAppEnvironment.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace {

std::shared_ptr<APMRemoteConfig> SessionSettings() { return APMEngineHooks::remoteConfig(); }

void LogSessionEvent(const std::string& name, const APMEvent::Parameters& parameters) {
  APMEngineHooks::logInternalEvent("auto", name, parameters);
}

void SetInternalUserProperty(std::optional<int64_t> value, const std::string& name) {
  APMAnalytics::sharedInstance()->setInternalUserProperty(
      value ? std::optional<platform::Value>(platform::Value(*value)) : std::nullopt, name, "auto");
}

}  // namespace

APMSessionReporter::APMSessionReporter(std::shared_ptr<APMPersistedConfig> persistedConfig)
    : persistedConfig_(std::move(persistedConfig)),
      userEngagementTimer_(std::make_shared<APMAlarm>(platform::DispatchQueue::main(), kEngagementTimerName)),
      engagementStartUptime_(currentUptime()),
      freerideEngagementStartUptime_(engagementStartUptime_.load()),
      timeoutSessionInterval_(SessionSettings()->sessionDefaultTimeoutInterval()) {}

APMSessionReporter::~APMSessionReporter() { userEngagementTimer_->cancel(); }

double APMSessionReporter::currentUptime() { return platform::Clock::currentShared()->uptime(); }

double APMSessionReporter::currentClockTime() { return platform::Clock::nowSeconds(); }

void APMSessionReporter::setReportingEnabled(bool enabled) {
  reportingEnabled_ = enabled;
  if (!enabled) {
    userEngagementTimer_->cancel();
    return;
  }
  if (APMIsAppActive() && !userEngagementTimer_->scheduledTimestamp()) rescheduleUserEngagementTimer();
}

void APMSessionReporter::setTimeoutSessionInterval(double seconds) {
  if (seconds < 0) {
    Monitor().logWithLevel(3, 33001, "Received negative timeout session duration. Setting to 0.0 instead.");
    seconds = 0;
  }
  timeoutSessionInterval_ = seconds;
}

bool APMSessionReporter::isSessionExpired() const {
  double last = persistedConfig_->lastSessionActivityClockTime();
  return std::fabs(currentClockTime() - last) > timeoutSessionInterval_.load();
}

bool APMSessionReporter::shouldStartNewSession() const { return APMIsAppActive() && isSessionExpired(); }

bool APMSessionReporter::extendSession() {
  if (isSessionExpired()) return false;
  persistedConfig_->setLastSessionActivityClockTime(currentClockTime());
  return true;
}

void APMSessionReporter::updatePropertiesForNewSessionStart() {
  persistedConfig_->setSessionNumber(persistedConfig_->sessionNumber() + 1);
  persistedConfig_->setLastSessionActivityClockTime(currentClockTime());
}

std::optional<APMUserAttribute> APMSessionReporter::sessionIDPropertyWithTimestamp(double timestamp) const {
  return APMUserAttribute::initWithOrigin("auto", "_sid", APMValue(static_cast<int64_t>(std::trunc(timestamp))),
                                          timestamp);
}

std::optional<APMUserAttribute> APMSessionReporter::sessionNumberProperty() const {
  return APMUserAttribute::initWithOrigin("auto", "_sno", APMValue(persistedConfig_->sessionNumber()),
                                          currentClockTime());
}

void APMSessionReporter::setSessionID(std::optional<int64_t> sessionID, std::optional<int64_t> sessionNumber) {
  SetInternalUserProperty(sessionID, "_sid");
  SetInternalUserProperty(sessionNumber, "_sno");
}

void APMSessionReporter::logSessionStartEvent() {
  if (!APMIsAppActive()) {
    Monitor().logWithLevel(7, 33005, "Session start event not logged. Application is not active");
    return;
  }
  if (!reportingEnabled_.load()) return;
  updatePropertiesForNewSessionStart();
  const int64_t sessionID = static_cast<int64_t>(std::trunc(currentClockTime()));
  const int64_t sessionNumber = persistedConfig_->sessionNumber();
  setSessionID(sessionID, sessionNumber);
  LogSessionEvent("_s", {{"_sid", APMValue(sessionID)}, {"_sno", APMValue(sessionNumber)}});
}

void APMSessionReporter::logUserEngagementEvent() { logEngagementEventAndReturnTimeWithScreen(nullptr, false); }

double APMSessionReporter::incurredEngagementTime() const {
  const double start = SessionSettings()->efficientEngagementReportingEnabled() ? freerideEngagementStartUptime_.load()
                                                                                : engagementStartUptime_.load();
  double incurred = currentUptime() - start;
  if (incurred < 0) {
    Monitor().logWithLevel(4, 33004, "Incurred engagement time is negative. Setting to 0.0 instead");
    incurred = 0;
  }
  return incurred;
}

int64_t APMSessionReporter::cutFreerideEngagementTimeMillis() {
  if (!SessionSettings()->efficientEngagementReportingEnabled()) return 0;
  const double incurred = incurredEngagementTime();
  freerideEngagementStartUptime_ = currentUptime();
  return static_cast<int64_t>(std::trunc(incurred * 1000));
}

int64_t APMSessionReporter::logEngagementEventAndReturnTimeWithScreen(const APMScreen* screen, bool isRedundant) {
  if (!APMIsAppActive()) {
    Monitor().logWithLevel(7, 33006, "User engagement event not logged. Application is not active");
    return 0;
  }
  const bool efficient = SessionSettings()->efficientEngagementReportingEnabled();
  int64_t millis = 0;
  if (reportingEnabled_.load()) {
    millis = static_cast<int64_t>(std::trunc(std::min(incurredEngagementTime(), kMaxEngagementSeconds) * 1000));
    APMEvent::Parameters parameters{{"_et", APMValue(millis)}};
    if (screen != nullptr) parameters.merge(screen->currentScreenParameters());
    if (efficient && isRedundant) parameters.insert_or_assign("_fr", APMValue(int64_t{1}));
    LogSessionEvent("_e", parameters);
  }
  const double now = currentUptime();
  engagementStartUptime_ = now;
  if (efficient && !isRedundant) freerideEngagementStartUptime_ = now;
  persistedConfig_->setLastSessionActivityClockTime(currentClockTime());
  rescheduleUserEngagementTimer();
  return millis;
}

void APMSessionReporter::logAppBackgroundEvent(int64_t engagementMillis) {
  std::shared_ptr<APMRemoteConfig> settings = SessionSettings();
  if (!reportingEnabled_.load() || !settings->appBackgroundedEventEnabled()) return;
  if (!APMIsAppActive()) {
    Monitor().logWithLevel(7, 33008, "App backgrounded event not logged. Application is not active");
    return;
  }
  APMEvent::Parameters parameters;
  if (settings->efficientEngagementReportingEnabled() && engagementMillis >= 1) {
    parameters.emplace("_et", APMValue(engagementMillis));
  }
  LogSessionEvent("_ab", parameters);
}

void APMSessionReporter::handleAppDidBecomeActive() {
  const double now = currentUptime();
  engagementStartUptime_ = now;
  freerideEngagementStartUptime_ = now;
  rescheduleUserEngagementTimer();
  if (shouldStartNewSession() && reportingEnabled_.load()) {
    setSessionID(std::nullopt, std::nullopt);
    logSessionStartEvent();
  }
}

void APMSessionReporter::handleAppWillResignActiveWithScreen(const APMScreen* screen) {
  std::shared_ptr<APMRemoteConfig> settings = SessionSettings();
  const bool backgroundEvent = settings->appBackgroundedEventEnabled();
  int64_t millis = 0;
  if (backgroundEvent && settings->redundantEngagementRemovalEnabled()) {
    millis = cutFreerideEngagementTimeMillis();
  } else {
    millis = logEngagementEventAndReturnTimeWithScreen(screen, backgroundEvent);
  }
  logAppBackgroundEvent(millis);
  userEngagementTimer_->cancel();
}

void APMSessionReporter::handleScreenDidChangeFromScreen(const APMScreen* previousScreen,
                                                         const APMScreen* newScreen) {
  (void)newScreen;
  if (previousScreen == nullptr || incurredEngagementTime() < 1) return;
  std::shared_ptr<APMRemoteConfig> settings = SessionSettings();
  const bool efficient = settings->efficientEngagementReportingEnabled();
  // The screen view carries the engagement itself.
  if (efficient && settings->redundantEngagementRemovalEnabled()) return;
  logEngagementEventAndReturnTimeWithScreen(previousScreen, efficient);
}

void APMSessionReporter::rescheduleUserEngagementTimer() {
  const double interval = SessionSettings()->sessionEventUserEngagementInterval();
  if (interval < 1) {
    userEngagementTimer_->cancel();
    if (!loggedShortEngagementInterval_.exchange(true)) {
      Monitor().logWithLevel(3, 33009, "Engagement interval is below one second. Engagement timer not scheduled.");
    }
    return;
  }
  std::weak_ptr<APMSessionReporter> weakSelf = weak_from_this();
  userEngagementTimer_->runAfterDelay(interval, [weakSelf] {
    platform::NotificationCenter::defaultCenter().post(kAPMSessionReporterEngagementTimerDidFire);
    if (auto self = weakSelf.lock()) self->logUserEngagementEvent();
  });
}

std::optional<double> APMSessionReporter::engagementTimerFireTimestamp() const {
  return userEngagementTimer_->scheduledTimestamp();
}
