#include "Facility/Models/MDLTwoWheeler.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLTwoWheeler>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLTwoWheeler", {
        field<&MDLTwoWheeler::text>("Text"),
        field<&MDLTwoWheeler::value>("Value"),
        field<&MDLTwoWheeler::isSelected>("IsSelected"),
      });
    return t;
  }();
  return table;
}
