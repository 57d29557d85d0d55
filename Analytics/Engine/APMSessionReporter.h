// Decides when a session has expired and keeps it alive. The engagement
// timer and the session events come with the lifecycle work; until then the
// reporter keeps the session clock and the reporting switch only.
#pragma once

#include <atomic>
#include <memory>

class APMPersistedConfig;

class APMSessionReporter {
 public:
  // Timeout from the remote setting; reporting off.
  explicit APMSessionReporter(std::shared_ptr<APMPersistedConfig> persistedConfig);

  bool reportingEnabled() const { return reportingEnabled_.load(); }
  void setReportingEnabled(bool enabled) { reportingEnabled_ = enabled; }
  double timeoutSessionInterval() const { return timeoutSessionInterval_.load(); }
  // A negative interval is logged and stored as 0.
  void setTimeoutSessionInterval(double seconds);

  // More than the timeout since the last session activity (either direction).
  bool isSessionExpired() const;
  // Records activity now when the session is alive; NO (nothing stored) when it expired.
  bool extendSession();
  // A new session: the session number goes up by one and activity is now.
  void updatePropertiesForNewSessionStart();

 private:
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::atomic<bool> reportingEnabled_{false};
  std::atomic<double> timeoutSessionInterval_{0};
};
