#include "Analytics/Storage/APMDailyCounts.h"

namespace {

// The counters wrap like two's-complement 32-bit integers; the sum is formed
// unsigned so that the wrap is defined.
int32_t Add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

void APMDailyCounts::incrementCountsForCurrentDay(int32_t day, bool isPublicEvent, bool isConversion,
                                                  int32_t byEffectiveEventCount) {
  if (day != day_) {
    resetWithNewDay(day);
  }
  conversionsCount_ = Add(conversionsCount_, isConversion ? 1 : 0);
  allEventsCount_ = Add(allEventsCount_, byEffectiveEventCount);
  publicEventsCount_ = Add(publicEventsCount_, isPublicEvent ? byEffectiveEventCount : 0);
}

void APMDailyCounts::incrementErrorEventsCountForCurrentDay(int32_t day) {
  if (day != day_) resetWithNewDay(day);
  allEventsCount_ = Add(allEventsCount_, 1);
  errorEventsCount_ = Add(errorEventsCount_, 1);
}

void APMDailyCounts::incrementRealtimeCountsForCurrentDay(int32_t day) {
  if (day != day_) resetWithNewDay(day);
  realtimeCount_ = Add(realtimeCount_, 1);
}

void APMDailyCounts::decrementAllEventsCount() { allEventsCount_ = allEventsCount_ > 1 ? allEventsCount_ - 1 : 0; }

void APMDailyCounts::resetWithNewDay(int32_t day) {
  day_ = day;
  conversionsCount_ = 0;
  allEventsCount_ = 0;
  publicEventsCount_ = 0;
  errorEventsCount_ = 0;
  realtimeCount_ = 0;
}
