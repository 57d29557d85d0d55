#include "Facility/Models/MDLInitApi.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLInitApi>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLInitApi", {
        field<&MDLInitApi::isSuccess>("IsSuccess"),
        field<&MDLInitApi::message>("Message"),
        field<&MDLInitApi::key>("key"),
      });
    return t;
  }();
  return table;
}
