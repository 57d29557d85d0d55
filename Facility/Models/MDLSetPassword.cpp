#include "Facility/Models/MDLSetPassword.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLSetPassword>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLSetPassword", {
        field<&MDLSetPassword::IsSuccess>("IsSuccess"),
        field<&MDLSetPassword::Message>("Message"),
      });
    return t;
  }();
  return table;
}
