#include "Facility/Models/MDLComplainList.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLComplain>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLComplain", {
        field<&MDLComplain::id>("ID"),
        field<&MDLComplain::status>("Status"),
        field<&MDLComplain::complainFor>("ComplainFor"),
        field<&MDLComplain::typeOfComplain>("TypeOfComplain"),
        field<&MDLComplain::description>("Description"),
        field<&MDLComplain::visitDate>("VisitDate"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLComplainList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLComplainList", {
        field<&MDLComplainList::isSuccess>("IsSuccess"),
        field<&MDLComplainList::message>("Message"),
        field<&MDLComplainList::arrComplains>("lstComplainList"),
      });
    return t;
  }();
  return table;
}
