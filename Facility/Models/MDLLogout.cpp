#include "Facility/Models/MDLLogout.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLLogout>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLLogout", {
        field<&MDLLogout::isSuccess>("IsSuccess"),
        field<&MDLLogout::message>("Message"),
      });
    return t;
  }();
  return table;
}
