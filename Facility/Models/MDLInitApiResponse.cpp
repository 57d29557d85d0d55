#include "Facility/Models/MDLInitApiResponse.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLInitApiResponse>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLInitApiResponse", {
        field<&MDLInitApiResponse::key>("key"),
        field<&MDLInitApiResponse::isSuccess>("isSuccess"),
        field<&MDLInitApiResponse::message>("message"),
      });
    return t;
  }();
  return table;
}
