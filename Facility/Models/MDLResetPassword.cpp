#include "Facility/Models/MDLResetPassword.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLResetPassword>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLResetPassword", {
        field<&MDLResetPassword::IsSuccess>("IsSuccess"),
        field<&MDLResetPassword::Message>("Message"),
      });
    return t;
  }();
  return table;
}
