#include "Facility/Models/MDLLocation.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLLocation>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLLocation", {
        field<&MDLLocation::value>("Value"),
        field<&MDLLocation::text>("Text"),
      });
    return t;
  }();
  return table;
}
