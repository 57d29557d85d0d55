#include "Facility/Models/MDLVisitorBuilding.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLVisitorBuilding>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVisitorBuilding", {
        field<&MDLVisitorBuilding::text>("Text"),
        field<&MDLVisitorBuilding::value>("Value"),
        field<&MDLVisitorBuilding::floorList>("FloorList"),
      });
    return t;
  }();
  return table;
}
