#include "Facility/Models/MDLBaseAssignAccess.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLBaseAssignAccess>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBaseAssignAccess", {
        field<&MDLBaseAssignAccess::isSuccess>("IsSuccess"),
        field<&MDLBaseAssignAccess::message>("Message"),
        field<&MDLBaseAssignAccess::buildingList>("BuildingList"),
        field<&MDLBaseAssignAccess::twoWheelerParkingList>("TwoWheelerParkingList"),
        field<&MDLBaseAssignAccess::fourWheelerParkingList>("FourWheelerParkingList"),
      });
    return t;
  }();
  return table;
}
