#include "Facility/Models/MDLComplainCount.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLComplainCount>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLComplainCount", {
        field<&MDLComplainCount::isSuccess>("IsSuccess"),
        field<&MDLComplainCount::message>("Message"),
        field<&MDLComplainCount::complainCount>("ComplainCount"),
      });
    return t;
  }();
  return table;
}
