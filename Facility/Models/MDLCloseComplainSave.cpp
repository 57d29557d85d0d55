#include "Facility/Models/MDLCloseComplainSave.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLCloseComplainSave>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLCloseComplainSave", {
        field<&MDLCloseComplainSave::isSuccess>("IsSuccess"),
        field<&MDLCloseComplainSave::message>("Message"),
      });
    return t;
  }();
  return table;
}
