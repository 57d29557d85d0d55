#include "Facility/Models/MDLFilterList.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<SubPlaces>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("SubPlaces", {
        field<&SubPlaces::name>("name"),
        field<&SubPlaces::id>("id"),
        field<&SubPlaces::isSelected>("isSelected"),
        field<&SubPlaces::monthInAPIFormate>("monthInAPIFormate"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<Places>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("Places", {
        field<&Places::name>("name"),
        field<&Places::id>("id"),
        field<&Places::isSelected>("isSelected"),
        field<&Places::subPlaces>("subPlaces"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<FilterData>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("FilterData", {
        field<&FilterData::places>("places"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLFilterList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLFilterList", {
        field<&MDLFilterList::responseData>("responseData"),
      });
    return t;
  }();
  return table;
}
