// Where the app runs: device model, system version, language and time zone,
// as the engine reports them with each bundle.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

class APMEnvironmentInfo {
 public:
  static APMEnvironmentInfo& sharedInstance();

  // Read once; an empty model is logged and stays empty.
  std::string deviceModel();
  std::string deviceOSVersion() const;
  // The first preferred language in lower case; none (logged) without one.
  std::optional<std::string> userDefaultLanguage() const;
  // Minutes east of GMT now, truncated toward zero.
  int timeZoneOffsetMinutes() const;

  // The system version compared numerically ("14" equals "14.0"; a part
  // that is no number counts as 0).
  static bool systemVersionAtLeast(int major, int minor);

  APMEnvironmentInfo() = default;
  APMEnvironmentInfo(const APMEnvironmentInfo&) = delete;
  APMEnvironmentInfo& operator=(const APMEnvironmentInfo&) = delete;

 private:
  std::once_flag modelOnce_;
  std::string deviceModel_;
};
