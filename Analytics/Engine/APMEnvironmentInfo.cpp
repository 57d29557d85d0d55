#include "Analytics/Engine/APMEnvironmentInfo.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"

APMEnvironmentInfo& APMEnvironmentInfo::sharedInstance() {
  static auto* info = new APMEnvironmentInfo;
  return *info;
}

std::string APMEnvironmentInfo::deviceModel() {
  std::call_once(modelOnce_, [this] {
    errno = 0;
    deviceModel_ = APMAEU::deviceModel();
    if (deviceModel_.empty()) {
      APMMeasurementMonitor().logWithLevel(2, 14000, "Failed to get device model", std::string(std::strerror(errno)));
    }
  });
  return deviceModel_;
}

std::string APMEnvironmentInfo::deviceOSVersion() const { return APMAEU::systemVersion(); }

std::optional<std::string> APMEnvironmentInfo::userDefaultLanguage() const {
  auto languages = platform::Locale::preferredLanguages();
  if (languages.empty() || languages.front().empty()) {
    APMMeasurementMonitor().logWithLevel(2, 14001, "Failed to get preferred language");
    return std::nullopt;
  }
  std::string language = languages.front();
  for (char& c : language) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return language;
}

int APMEnvironmentInfo::timeZoneOffsetMinutes() const { return platform::TimeZone::local().secondsFromGMT() / 60; }

bool APMEnvironmentInfo::systemVersionAtLeast(int major, int minor) {
  const std::string version = APMAEU::systemVersion();
  std::vector<int> parts;
  std::size_t start = 0;
  while (start <= version.size() && parts.size() < 2) {
    std::size_t dot = version.find('.', start);
    if (dot == std::string::npos) dot = version.size();
    int part = 0;
    auto [end, error] = std::from_chars(version.data() + start, version.data() + dot, part);
    if (error != std::errc() || end != version.data() + dot) part = 0;
    parts.push_back(part);
    start = dot + 1;
  }
  while (parts.size() < 2) parts.push_back(0);
  if (parts[0] != major) return parts[0] > major;
  return parts[1] >= minor;
}
