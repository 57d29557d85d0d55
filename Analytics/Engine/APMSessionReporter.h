// Decides when a session starts, keeps it alive and measures engagement: the
// internal events "_s" (session start), "_e" (engagement, "_et"
// milliseconds) and "_ab" (app backgrounded), and the user properties "_sid"
// and "_sno". The screen-view reporter forwards app activity and screen
// changes (main thread); the engine asks about the session from its worker
// queue, so every field is an atomic.
//
// The engagement timer runs on the main queue every
// sessionEventUserEngagementInterval seconds while the app is active. An
// interval below one second arms nothing (logged once per reporter):
// re-armed that fast it would keep the main loop busy and flood the daily
// event limit with "_e". Engagement is then reported at screen changes and
// when the app resigns active only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "Analytics/Storage/APMUserAttribute.h"

class APMAlarm;
class APMPersistedConfig;
class APMScreen;

class APMSessionReporter : public std::enable_shared_from_this<APMSessionReporter> {
 public:
  static constexpr const char* kEngagementTimerName = "Engagement timer";
  // Longest engagement one "_e" event reports, seconds.
  static constexpr double kMaxEngagementSeconds = 3600;

  // Timeout from the remote setting; reporting off; engagement starts now.
  explicit APMSessionReporter(std::shared_ptr<APMPersistedConfig> persistedConfig);
  // Cancels the timer.
  ~APMSessionReporter();
  APMSessionReporter(const APMSessionReporter&) = delete;
  APMSessionReporter& operator=(const APMSessionReporter&) = delete;

  bool reportingEnabled() const { return reportingEnabled_.load(); }
  // Off cancels the timer; on arms it while the app is active and nothing is pending.
  void setReportingEnabled(bool enabled);
  double timeoutSessionInterval() const { return timeoutSessionInterval_.load(); }
  // A negative interval is logged and stored as 0.
  void setTimeoutSessionInterval(double seconds);

  // More than the timeout since the last session activity (either direction).
  bool isSessionExpired() const;
  // App active and session expired.
  bool shouldStartNewSession() const;
  // Records activity now when the session is alive; false (nothing stored) when it expired.
  bool extendSession();
  // A new session: the session number goes up by one and activity is now.
  void updatePropertiesForNewSessionStart();
  // "_sid" = whole seconds of the timestamp, set at the timestamp; "_sno" = the persisted number, set now.
  std::optional<APMUserAttribute> sessionIDPropertyWithTimestamp(double timestamp) const;
  std::optional<APMUserAttribute> sessionNumberProperty() const;

  void logSessionStartEvent();
  void logUserEngagementEvent();
  // The engagement since the last span start, "_e" logged when reporting is
  // on; answers the milliseconds (0 while the app is not active).
  int64_t logEngagementEventAndReturnTimeWithScreen(const APMScreen* screen, bool isRedundant);
  void logAppBackgroundEvent(int64_t engagementMillis);

  // From the screen-view reporter (main thread).
  void handleAppDidBecomeActive();
  void handleAppWillResignActiveWithScreen(const APMScreen* screen);
  void handleScreenDidChangeFromScreen(const APMScreen* previousScreen, const APMScreen* newScreen);

  void rescheduleUserEngagementTimer();
  // Seconds since boot; seconds since 1970.
  static double currentUptime();
  static double currentClockTime();
  // Seconds of engagement not yet reported (never negative).
  double incurredEngagementTime() const;
  // Efficient reporting: the freeride span in milliseconds, restarted now; else 0.
  int64_t cutFreerideEngagementTimeMillis();
  // None clears the property.
  void setSessionID(std::optional<int64_t> sessionID, std::optional<int64_t> sessionNumber);

  // When the engagement timer fires next (seconds since 1970); none when not armed.
  std::optional<double> engagementTimerFireTimestamp() const;

 private:
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::shared_ptr<APMAlarm> userEngagementTimer_;
  std::atomic<double> engagementStartUptime_{0};
  std::atomic<double> freerideEngagementStartUptime_{0};
  std::atomic<bool> reportingEnabled_{false};
  std::atomic<double> timeoutSessionInterval_{0};
  std::atomic<bool> loggedShortEngagementInterval_{false};
};
