#include "Facility/Models/MDLAssignAccess.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLAssignAccess>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLAssignAccess", {
        field<&MDLAssignAccess::isSuccess>("IsSuccess"),
        field<&MDLAssignAccess::message>("Message"),
      });
    return t;
  }();
  return table;
}
