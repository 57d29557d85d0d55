#include "Analytics/Engine/APMAdExposureReporter.h"

#include <cmath>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"

namespace {

struct ScreenProvider {
  std::mutex mu;
  std::function<APMAdExposureReporter::ScreenParameters()> provider;
};

ScreenProvider& Provider() {
  static ScreenProvider* provider = new ScreenProvider;
  return *provider;
}

// Whole milliseconds from start to end, cut toward zero.
int64_t DurationMillis(double start, double end) { return static_cast<int64_t>(std::trunc((end - start) * 1000)); }

}  // namespace

const std::shared_ptr<APMAdExposureReporter>& APMAdExposureReporter::sharedInstance() {
  static auto* shared = new std::shared_ptr<APMAdExposureReporter>(create());
  return *shared;
}

std::shared_ptr<APMAdExposureReporter> APMAdExposureReporter::create() {
  auto reporter = std::make_shared<APMAdExposureReporter>();
  reporter->startObserving();
  return reporter;
}

APMAdExposureReporter::APMAdExposureReporter()
    : adExposureStartTime_(currentTime()), queue_(platform::DispatchQueue::create("APMAdExposureReporter")) {}

APMAdExposureReporter::~APMAdExposureReporter() {
  if (engagementObserver_ != 0) platform::NotificationCenter::defaultCenter().removeObserver(engagementObserver_);
}

void APMAdExposureReporter::startObserving() {
  std::weak_ptr<APMAdExposureReporter> weakSelf = weak_from_this();
  engagementObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      kAPMSessionReporterEngagementTimerDidFire, [weakSelf](const platform::Notification&) {
        if (auto self = weakSelf.lock()) self->handleEngagementTimer();
      });
}

double APMAdExposureReporter::currentTime() { return platform::Clock::currentShared()->uptime(); }

void APMAdExposureReporter::setScreenParametersProvider(std::function<ScreenParameters()> provider) {
  std::lock_guard<std::mutex> lock(Provider().mu);
  Provider().provider = std::move(provider);
}

APMAdExposureReporter::ScreenParameters APMAdExposureReporter::currentScreenParameters() {
  std::function<ScreenParameters()> provider;
  {
    std::lock_guard<std::mutex> lock(Provider().mu);
    provider = Provider().provider;
  }
  return provider ? provider() : ScreenParameters{};
}

void APMAdExposureReporter::beginAdUnitExposure(const std::string& adUnitID) {
  if (adUnitID.empty()) {
    Monitor().logWithLevel(5, 1000, "Ignoring call to begin ad unit exposure. Received empty ad unit ID");
    return;
  }
  const double time = currentTime();
  std::weak_ptr<APMAdExposureReporter> weakSelf = weak_from_this();
  queue_->async([weakSelf, adUnitID, time] {
    auto self = weakSelf.lock();
    if (!self) return;
    if (self->adUnitCounts_.size() >= kMaxAdUnits) {
      Monitor().logWithLevel(5, 1002, "Reached limit on ad units. Ignoring ad unit with ID", adUnitID);
      return;
    }
    if (self->adUnitCounts_.empty()) self->adExposureStartTime_ = time;
    auto [it, inserted] = self->adUnitCounts_.emplace(adUnitID, 0);
    if (inserted) self->adUnitStartTimes_[adUnitID] = time;
    ++it->second;
  });
}

void APMAdExposureReporter::endAdUnitExposure(const std::string& adUnitID) {
  if (adUnitID.empty()) {
    Monitor().logWithLevel(5, 1003, "Ignoring call to end ad unit exposure. Received empty ad unit ID");
    return;
  }
  const double time = currentTime();
  const ScreenParameters screen = currentScreenParameters();
  queue_->sync([&] {
    auto it = adUnitCounts_.find(adUnitID);
    if (it == adUnitCounts_.end()) {
      Monitor().logWithLevel(5, 1004, "Unknown ad unit. Ignoring ad unit with ID", adUnitID);
      return;
    }
    if (it->second >= 2) {
      --it->second;
      return;
    }
    logAdUnitExposureEventOnSerialQueue(adUnitID, time, screen);
    adUnitCounts_.erase(it);
    adUnitStartTimes_.erase(adUnitID);
    if (adUnitCounts_.empty()) {
      logAdExposureEventOnSerialQueue(time, screen);
      adExposureStartTime_ = time;
    }
  });
}

void APMAdExposureReporter::handleScreenDidChangeFromScreen(
    const std::optional<ScreenParameters>& previousScreenParameters) {
  if (previousScreenParameters) logExposureEventsWithScreenParameters(*previousScreenParameters);
}

void APMAdExposureReporter::handleEngagementTimer() { logExposureEventsWithScreenParameters(currentScreenParameters()); }

void APMAdExposureReporter::handleAppDidBecomeActive() {
  const double time = currentTime();
  queue_->sync([&] { updateStartTimesOnSerialQueue(time); });
}

void APMAdExposureReporter::handleAppWillResignActiveWithScreen(
    const std::optional<ScreenParameters>& screenParameters) {
  ScreenParameters screen = screenParameters ? *screenParameters : ScreenParameters{};
  if (screen.empty()) screen = currentScreenParameters();
  const double time = currentTime();
  queue_->sync([&] { logExposureEventsOnSerialQueue(time, screen); });
}

void APMAdExposureReporter::logExposureEventsWithScreenParameters(const ScreenParameters& screenParameters) {
  const double time = currentTime();
  queue_->sync([&] { logExposureEventsOnSerialQueue(time, screenParameters); });
}

void APMAdExposureReporter::logExposureEventsOnSerialQueue(double endTime, const ScreenParameters& screenParameters) {
  for (const auto& [adUnitID, count] : adUnitCounts_) {
    logAdUnitExposureEventOnSerialQueue(adUnitID, endTime, screenParameters);
  }
  if (!adUnitCounts_.empty()) logAdExposureEventOnSerialQueue(endTime, screenParameters);
  updateStartTimesOnSerialQueue(endTime);
}

void APMAdExposureReporter::updateStartTimesOnSerialQueue(double time) {
  if (adUnitCounts_.empty()) return;
  for (auto& [adUnitID, start] : adUnitStartTimes_) start = time;
  adExposureStartTime_ = time;
}

void APMAdExposureReporter::logAdUnitExposureEventOnSerialQueue(const std::string& adUnitID, double endTime,
                                                                const ScreenParameters& screenParameters) {
  if (!isReportingEnabled()) {
    Monitor().logWithLevel(5, 1007, "Ad unit exposure not logged. Reporting is disabled.");
    return;
  }
  if (adUnitID.empty()) {
    Monitor().logWithLevel(5, 1008, "Ad unit exposure not logged. Received empty ad unit ID");
    return;
  }
  if (!APMEngineHooks::isAppActive()) {
    Monitor().logWithLevel(8, 1011, "Ad unit exposure not logged. App is not active.");
    return;
  }
  auto start = adUnitStartTimes_.find(adUnitID);
  const int64_t millis = DurationMillis(start == adUnitStartTimes_.end() ? endTime : start->second, endTime);
  if (millis <= 999) {
    Monitor().logWithLevel(8, 1009, "Ad unit exposure not logged. Exposure time was less than 1 sec");
    return;
  }
  ScreenParameters parameters = screenParameters;
  parameters.insert_or_assign("_ai", APMValue(adUnitID));
  parameters.insert_or_assign("_xt", APMValue(millis));
  APMEngineHooks::logInternalEvent("pl", "_xu", parameters);
}

void APMAdExposureReporter::logAdExposureEventOnSerialQueue(double endTime, const ScreenParameters& screenParameters) {
  if (!isReportingEnabled()) {
    Monitor().logWithLevel(5, 1005, "Ad exposure not logged. Reporting is disabled.");
    return;
  }
  if (!APMEngineHooks::isAppActive()) {
    Monitor().logWithLevel(8, 1010, "Ad exposure not logged. App is not active.");
    return;
  }
  const int64_t millis = DurationMillis(adExposureStartTime_, endTime);
  if (millis <= 999) {
    Monitor().logWithLevel(8, 1006, "Ad exposure not logged. Exposure time was less than 1 sec");
    return;
  }
  ScreenParameters parameters = screenParameters;
  parameters.insert_or_assign("_xt", APMValue(millis));
  APMEngineHooks::logInternalEvent("pl", "_xa", parameters);
}
