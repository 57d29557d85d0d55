// The per-day counters behind the daily event limits, kept in the
// app_metadata row. An increment for another day starts that day afresh.
#pragma once

#include <cstdint>

class APMDailyCounts {
 public:
  APMDailyCounts(int32_t day, int32_t conversionsCount, int32_t allEventsCount, int32_t publicEventsCount,
                 int32_t errorEventsCount, int32_t realtimeCount)
      : day_(day),
        conversionsCount_(conversionsCount),
        allEventsCount_(allEventsCount),
        publicEventsCount_(publicEventsCount),
        errorEventsCount_(errorEventsCount),
        realtimeCount_(realtimeCount) {}

  int32_t day() const { return day_; }
  int32_t conversionsCount() const { return conversionsCount_; }
  int32_t allEventsCount() const { return allEventsCount_; }
  int32_t publicEventsCount() const { return publicEventsCount_; }
  int32_t errorEventsCount() const { return errorEventsCount_; }
  int32_t realtimeCount() const { return realtimeCount_; }

  void incrementCountsForCurrentDay(int32_t day, bool isPublicEvent, bool isConversion,
                                    int32_t byEffectiveEventCount = 1);
  void incrementErrorEventsCountForCurrentDay(int32_t day);
  void incrementRealtimeCountsForCurrentDay(int32_t day);
  // Never below 0; no day check.
  void decrementAllEventsCount();
  void resetWithNewDay(int32_t day);

 private:
  int32_t day_;
  int32_t conversionsCount_;
  int32_t allEventsCount_;
  int32_t publicEventsCount_;
  int32_t errorEventsCount_;
  int32_t realtimeCount_;
};
