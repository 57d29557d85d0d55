// Measures how long ad units were on screen for an ads library and logs the
// internal events "_xu" (one unit's exposure) and "_xa" (time any unit was
// shown) with origin "pl". Exposure is cut into pieces at screen changes, at
// the engagement timer and when the app resigns active, so each piece carries
// the parameters of the screen it was shown on; becoming active moves every
// start to now, so background time never counts. All state lives on the
// reporter's serial queue; begin is asynchronous, the rest waits for it.
// Times are seconds since the device booted (the clock's uptime).
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Analytics/Engine/APMEvent.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"

// Posted by the session reporter each time its engagement timer fires.
inline constexpr const char* kAPMSessionReporterEngagementTimerDidFire = "kAPMSessionReporterEngagementTimerDidFire";

class APMAdExposureReporter : public std::enable_shared_from_this<APMAdExposureReporter> {
 public:
  using ScreenParameters = APMEvent::Parameters;
  static constexpr std::size_t kMaxAdUnits = 100;

  static const std::shared_ptr<APMAdExposureReporter>& sharedInstance();
  // A reporter of its own (tests); observes the engagement timer while alive.
  static std::shared_ptr<APMAdExposureReporter> create();
  ~APMAdExposureReporter();

  void beginAdUnitExposure(const std::string& adUnitID);
  void endAdUnitExposure(const std::string& adUnitID);

  // From the screen-view reporter: the parameters of the screen left (none
  // when there was no previous screen), of the screen resigning.
  void handleScreenDidChangeFromScreen(const std::optional<ScreenParameters>& previousScreenParameters);
  void handleEngagementTimer();
  void handleAppDidBecomeActive();
  void handleAppWillResignActiveWithScreen(const std::optional<ScreenParameters>& screenParameters);
  void logExposureEventsWithScreenParameters(const ScreenParameters& screenParameters);

  bool isReportingEnabled() const { return reportingEnabled_.load(); }
  void setReportingEnabled(bool enabled) { reportingEnabled_ = enabled; }

  // The screen-view reporter's current screen parameters. The reporter is not
  // built yet and installs itself here; until then there are none.
  static void setScreenParametersProvider(std::function<ScreenParameters()> provider);
  static ScreenParameters currentScreenParameters();

  // Seconds since boot.
  static double currentTime();

  APMAdExposureReporter();

 private:
  void startObserving();
  void logExposureEventsOnSerialQueue(double endTime, const ScreenParameters& screenParameters);
  void updateStartTimesOnSerialQueue(double time);
  void logAdUnitExposureEventOnSerialQueue(const std::string& adUnitID, double endTime,
                                           const ScreenParameters& screenParameters);
  void logAdExposureEventOnSerialQueue(double endTime, const ScreenParameters& screenParameters);

  // Touched only on queue_.
  std::map<std::string, int64_t> adUnitCounts_;
  std::map<std::string, double> adUnitStartTimes_;
  double adExposureStartTime_ = 0;

  platform::DispatchQueuePtr queue_;
  std::atomic<bool> reportingEnabled_{true};
  platform::NotificationCenter::Token engagementObserver_ = 0;
};
