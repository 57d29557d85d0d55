#include "Facility/Models/MDLInitApiRequest.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLInitApiRequest>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLInitApiRequest", {
        field<&MDLInitApiRequest::key>("key"),
      });
    return t;
  }();
  return table;
}
