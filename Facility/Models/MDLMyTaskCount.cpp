#include "Facility/Models/MDLMyTaskCount.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLMyTaskCount>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLMyTaskCount", {
        field<&MDLMyTaskCount::isSuccess>("IsSuccess"),
        field<&MDLMyTaskCount::message>("Message"),
        field<&MDLMyTaskCount::todayTotal>("TodayTotal"),
        field<&MDLMyTaskCount::allTotal>("AllTotal"),
        field<&MDLMyTaskCount::overdueTotal>("OverdueTotal"),
      });
    return t;
  }();
  return table;
}
