#include "Facility/Models/MDLForgotPassword.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLForgotPassword>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLForgotPassword", {
        field<&MDLForgotPassword::IsSuccess>("IsSuccess"),
        field<&MDLForgotPassword::Message>("Message"),
      });
    return t;
  }();
  return table;
}
