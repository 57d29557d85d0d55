#include "Facility/Models/MDLFourWheeler.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLFourWheeler>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLFourWheeler", {
        field<&MDLFourWheeler::text>("Text"),
        field<&MDLFourWheeler::value>("Value"),
        field<&MDLFourWheeler::isSelected>("IsSelected"),
      });
    return t;
  }();
  return table;
}
