#include "Platform/Foundation/TimeZone.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

#include "Platform/Foundation/Clock.h"

namespace platform {
namespace {

std::mutex g_timeZoneMu;
std::optional<TimeZone>& LocalOverride() {
  static std::optional<TimeZone> zone;
  return zone;
}

bool Known(const icu::TimeZone& tz) {
  icu::UnicodeString id;
  tz.getID(id);
  return id != icu::UnicodeString(u"Etc/Unknown");
}

}  // namespace

std::optional<TimeZone> TimeZone::named(std::string_view identifier) {
  if (identifier.empty()) return std::nullopt;
  std::unique_ptr<icu::TimeZone> tz(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(icu::StringPiece(identifier.data(),
                                                                                   static_cast<int32_t>(identifier.size())))));
  if (!tz || !Known(*tz)) return std::nullopt;
  return TimeZone(std::string(identifier));
}

TimeZone TimeZone::gmt() { return TimeZone("GMT"); }

TimeZone TimeZone::local() {
  {
    std::lock_guard<std::mutex> lock(g_timeZoneMu);
    if (LocalOverride()) return *LocalOverride();
  }
  std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
  if (!host || !Known(*host)) return gmt();
  icu::UnicodeString id;
  host->getID(id);
  std::string text;
  id.toUTF8String(text);
  return TimeZone(text);
}

void TimeZone::setLocalOverride(std::optional<TimeZone> zone) {
  std::lock_guard<std::mutex> lock(g_timeZoneMu);
  LocalOverride() = std::move(zone);
}

int TimeZone::secondsFromGMT(Date date) const {
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(identifier_)));
  int32_t raw = 0;
  int32_t dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  tz->getOffset(date.secondsSince1970 * 1000.0, false, raw, dst, status);
  if (U_FAILURE(status)) return 0;
  return (raw + dst) / 1000;
}

int TimeZone::secondsFromGMT() const { return secondsFromGMT(Date{Clock::nowSeconds()}); }

}  // namespace platform
