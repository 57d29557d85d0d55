#include "Facility/Models/MDLBaseFacility.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLBaseFacility>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBaseFacility", {
        field<&MDLBaseFacility::IsSuccess>("IsSuccess"),
        field<&MDLBaseFacility::Message>("Message"),
        field<&MDLBaseFacility::locations>("LocationList"),
      });
    return t;
  }();
  return table;
}
