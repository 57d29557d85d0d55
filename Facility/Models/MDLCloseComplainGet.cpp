#include "Facility/Models/MDLCloseComplainGet.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLCloseComplainGet>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLCloseComplainGet", {
        field<&MDLCloseComplainGet::id>("ID"),
        field<&MDLCloseComplainGet::companyID>("CompanyID"),
        field<&MDLCloseComplainGet::locationID>("LocationId"),
        field<&MDLCloseComplainGet::tenantID>("TenantID"),
        field<&MDLCloseComplainGet::facilityTypeID>("FacilityTypeID"),
        field<&MDLCloseComplainGet::facilityType>("FacilityType"),
        field<&MDLCloseComplainGet::complainMappingID>("ComplainMappingID"),
        field<&MDLCloseComplainGet::visitDate>("VisitDate"),
        field<&MDLCloseComplainGet::visitTime>("VisitTime"),
        field<&MDLCloseComplainGet::vistiDateTime>("VistiDateTime"),
        field<&MDLCloseComplainGet::remark>("Remark"),
        field<&MDLCloseComplainGet::dateOfclosure>("DateOfclosure"),
        field<&MDLCloseComplainGet::crby>("CRBY"),
        field<&MDLCloseComplainGet::mode>("Mode"),
        field<&MDLCloseComplainGet::imageUpload>("ImageUpload"),
        field<&MDLCloseComplainGet::imageUpload1>("ImageUpload1"),
        field<&MDLCloseComplainGet::closeRemark>("CloseRemark"),
        field<&MDLCloseComplainGet::isOpen>("IsOpen"),
        field<&MDLCloseComplainGet::isSuccess>("IsSuccess"),
        field<&MDLCloseComplainGet::message>("Message"),
      },
      {"ID", "CompanyID", "LocationId", "TenantID", "FacilityTypeID", "FacilityType", "ComplainMappingID", "VisitDate", "VisitTime", "VistiDateTime", "Remark", "IsOpen", "DateOfclosure", "CRBY", "Mode", "ImageUpload", "ImageUpload1", "CloseRemark", "IsSuccess", "Message"});
    return t;
  }();
  return table;
}
