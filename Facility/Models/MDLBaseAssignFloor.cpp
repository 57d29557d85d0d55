#include "Facility/Models/MDLBaseAssignFloor.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLBaseAssignFloor>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBaseAssignFloor", {
        field<&MDLBaseAssignFloor::text>("Text"),
        field<&MDLBaseAssignFloor::value>("Value"),
        field<&MDLBaseAssignFloor::isSelected>("IsSelected"),
      });
    return t;
  }();
  return table;
}

platform::Value::Dictionary MDLBaseAssignFloor::dictionary() const {
  platform::Value::Dictionary d;
  d["value"] = platform::Value(value.value_or(""));
  d["text"] = platform::Value(text.value_or(""));
  d["isSelected"] = platform::Value(isSelected.value_or(false));
  return d;
}
