#include "Facility/Models/MDLManageFacility.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLEmployee>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLEmployee", {
        field<&MDLEmployee::employeeId>("EmployeeId"),
        field<&MDLEmployee::employeeName>("EmployeeName"),
        field<&MDLEmployee::employeeCode>("EmployeeCode"),
        field<&MDLEmployee::employeeUrl>("EmployeeUrl"),
        field<&MDLEmployee::mobileNumber>("MobileNumber"),
        field<&MDLEmployee::department>("Department"),
        field<&MDLEmployee::isTagAssigned>("IsTagAssigned"),
        field<&MDLEmployee::isFloorAccess>("IsFloorAccess"),
        field<&MDLEmployee::isParkingAccess>("IsParkingAccess"),
        field<&MDLEmployee::isVisitorAssignAccess>("IsVisitorAssignAccess"),
        field<&MDLEmployee::invitationStatus>("InvitationStatus"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLManageFacility>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLManageFacility", {
        field<&MDLManageFacility::isSuccess>("IsSuccess"),
        field<&MDLManageFacility::message>("Message"),
        field<&MDLManageFacility::totalRecords>("TotalRecords"),
        field<&MDLManageFacility::pageSize>("PageSize"),
        field<&MDLManageFacility::pageNo>("PageNo"),
        field<&MDLManageFacility::employeeList>("EmployeeList"),
      });
    return t;
  }();
  return table;
}
