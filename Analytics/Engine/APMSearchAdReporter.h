// Search-ads attribution. The lookup itself comes with the attribution work;
// until then the reporter keeps its switch and whether it was started.
#pragma once

#include <atomic>
#include <memory>

class APMPersistedConfig;
class APMScheduler;

class APMSearchAdReporter {
 public:
  APMSearchAdReporter(std::shared_ptr<APMScheduler> workerQueue, std::shared_ptr<APMPersistedConfig> persistedConfig);

  bool searchAdReporterEnabled() const { return enabled_.load(); }
  void setSearchAdReporterEnabled(bool enabled) { enabled_ = enabled; }
  void start() { started_ = true; }
  bool isStarted() const { return started_.load(); }

 private:
  std::shared_ptr<APMScheduler> workerQueue_;
  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> started_{false};
};
