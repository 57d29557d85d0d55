// Search-ads attribution: once per installation, asks the ad framework for an
// attribution token, posts it to the attribution service and, when the
// install came from a search ad, logs "_cmp" with source "Apple" and medium
// "search". Attempts are a day apart, at most ten per installation; the
// stored answer ends the work for good.
//
// Alarm work and reply handling run on the worker queue; the URL session's
// completion only hands the reply over (block "APMSearchAdReporter:1").
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/AdServices/AAAttribution.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Network/URLSession.h"

class APMAlarm;
class APMPersistedConfig;
class APMScheduler;

class APMSearchAdReporter : public std::enable_shared_from_this<APMSearchAdReporter> {
 public:
  static constexpr const char* kAlarmName = "Search Ad campaign report alarm";
  static constexpr const char* kReplyBlockID = "APMSearchAdReporter:1";
  static constexpr const char* kAttributionPath = "/api/v1/";
  static constexpr int64_t kMaxRetryCount = 10;
  static constexpr double kAttemptIntervalSeconds = 86400;
  static constexpr double kRequestTimeoutSeconds = 10;
  // The attribution service's answer for test installs.
  static constexpr const char* kTestAnswerID = "1234567890";

  // None (logged) without a queue or a configuration, once an answer was
  // stored, and silently after ten attempts.
  static std::shared_ptr<APMSearchAdReporter> initWithWorkerQueue(std::shared_ptr<APMScheduler> workerQueue,
                                                                  std::shared_ptr<APMPersistedConfig> persistedConfig);
  ~APMSearchAdReporter();
  APMSearchAdReporter(const APMSearchAdReporter&) = delete;
  APMSearchAdReporter& operator=(const APMSearchAdReporter&) = delete;

  bool isSearchAdReporterEnabled() const { return enabled_.load(); }
  void setSearchAdReporterEnabled(bool enabled) { enabled_ = enabled; }

  // Worker queue: schedules the first attempt unless the framework is
  // missing (32014) or this is the simulator (32019).
  void start();
  // The framework's class from system 14.3 on; none before or without it.
  static std::optional<adservices::AAAttribution> adClientInstance();

  // Worker queue.
  void scheduleSearchAdReport();
  void maybeLogIAdCampaignEvent();
  void fetchAttributionDetails();
  void requestAttributionPayloadWithToken(const std::string& token);
  void handleAttributionReply(const std::optional<platform::URLResponse>& response, const std::string& body,
                              const std::optional<platform::Status>& error);
  void logCampaignEventWithSearchAdCampaign(bool attribution, const std::string& campaign, const std::string& term);
  // Cancels the alarm and drops it: nothing is scheduled afterwards.
  void cancelScheduling();

  // The alarm (none once scheduling was cancelled).
  std::shared_ptr<APMAlarm> alarm() const;
  // The session the requests use (the shared one unless a test gives its own).
  void setURLSession(std::shared_ptr<platform::URLSession> session);

  struct PrivateTag {};
  APMSearchAdReporter(PrivateTag, std::shared_ptr<APMScheduler> workerQueue,
                      std::shared_ptr<APMPersistedConfig> persistedConfig);

 private:
  std::shared_ptr<APMScheduler> workerQueue_;
  mutable std::mutex alarmMu_;  // the destructor may run off the worker queue
  std::shared_ptr<APMAlarm> searchAdReporterAlarm_;
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::atomic<bool> enabled_{false};
  std::mutex campaignMu_;
  std::shared_ptr<platform::URLSession> session_;
};
