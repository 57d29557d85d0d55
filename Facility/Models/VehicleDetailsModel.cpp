#include "Facility/Models/VehicleDetailsModel.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<EmployeeDetailsModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("EmployeeDetailsModel", {
        field<&EmployeeDetailsModel::tenantName>("TenantName"),
        field<&EmployeeDetailsModel::adminName>("AdminName"),
        field<&EmployeeDetailsModel::empID>("EmpID"),
        field<&EmployeeDetailsModel::empName>("EmpName"),
        field<&EmployeeDetailsModel::personType>("PERSONTYPE"),
        field<&EmployeeDetailsModel::emailId>("EmailId"),
        field<&EmployeeDetailsModel::mobileNo>("MobileNo"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<VehicleDetailsModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("VehicleDetailsModel", {
        field<&VehicleDetailsModel::vehicleNumber>("VehicleNumber"),
        field<&VehicleDetailsModel::isSuccess>("IsSuccess"),
        field<&VehicleDetailsModel::message>("Message"),
        field<&VehicleDetailsModel::empList>("EmpList"),
      });
    return t;
  }();
  return table;
}
