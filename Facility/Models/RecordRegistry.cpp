#include "Facility/Models/RecordRegistry.h"

#include <nlohmann/json.hpp>

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Models/MDLAllotedFacility.h"
#include "Facility/Models/MDLAssignAccess.h"
#include "Facility/Models/MDLBaseAssignAccess.h"
#include "Facility/Models/MDLBaseAssignAccessBuilding.h"
#include "Facility/Models/MDLBaseAssignFloor.h"
#include "Facility/Models/MDLBaseFacility.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLCloseComplainGet.h"
#include "Facility/Models/MDLCloseComplainList.h"
#include "Facility/Models/MDLCloseComplainSave.h"
#include "Facility/Models/MDLComplainCategory.h"
#include "Facility/Models/MDLComplainCount.h"
#include "Facility/Models/MDLComplainList.h"
#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Models/MDLFilterList.h"
#include "Facility/Models/MDLForgotPassword.h"
#include "Facility/Models/MDLFourWheeler.h"
#include "Facility/Models/MDLGetAccessToken.h"
#include "Facility/Models/MDLGetImage.h"
#include "Facility/Models/MDLGetVersion.h"
#include "Facility/Models/MDLInitApi.h"
#include "Facility/Models/MDLInitApiRequest.h"
#include "Facility/Models/MDLInitApiResponse.h"
#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Models/MDLLocation.h"
#include "Facility/Models/MDLLogin.h"
#include "Facility/Models/MDLLogout.h"
#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Models/MDLResetPassword.h"
#include "Facility/Models/MDLSetPassword.h"
#include "Facility/Models/MDLTwoWheeler.h"
#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Models/MDLVerifySecurity.h"
#include "Facility/Models/MDLVisitorBuilding.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Models/WireRecordJson.h"

namespace wire {

namespace {

template <class T>
platform::Result<nlohmann::ordered_json> decodeDescribed(std::string_view json) {
  auto record = decode<T>(json);
  if (!record.ok()) return record.status();
  if constexpr (RecordTraits<T>::shared) {
    return describe(**record);
  } else {
    return describe(*record);
  }
}

template <class T>
RecordEntry entry(std::string_view name) {
  return RecordEntry{name, &decodeDescribed<T>};
}

}  // namespace

const std::vector<RecordEntry>& RecordRegistry::decodable() {
  static const std::vector<RecordEntry> entries{
      entry<GeneralResponseModel>("GeneralResponseModel"),
      entry<MDLCloseComplainSave>("MDLCloseComplainSave"),
      entry<MDLAssignAccess>("MDLAssignAccess"),
      entry<MDLInviteVisitor>("MDLInviteVisitor"),
      entry<MDLLogout>("MDLLogout"),
      entry<MDLSetPassword>("MDLSetPassword"),
      entry<MDLResetPassword>("MDLResetPassword"),
      entry<MDLForgotPassword>("MDLForgotPassword"),
      entry<MDLLogin>("MDLLogin"),
      entry<MDLVerifySecurity>("MDLVerifySecurity"),
      entry<MDLGetAccessToken>("MDLGetAccessToken"),
      entry<MDLGetVersion>("MDLGetVersion"),
      entry<MDLGetImage>("MDLGetImage"),
      entry<NotificationCountModel>("NotificationCountModel"),
      entry<MDLInitApi>("MDLInitApi"),
      entry<MDLInitApiResponse>("MDLInitApiResponse"),
      entry<MDLDefaultFloor>("MDLDefaultFloor"),
      entry<MDLFloorSelection>("MDLFloorSelection"),
      entry<MDLBuildingList>("MDLBuildingList"),
      entry<MDLUserDashboard>("MDLUserDashboard"),
      entry<MDLLocation>("MDLLocation"),
      entry<MDLBaseFacility>("MDLBaseFacility"),
      entry<MDLParkingTile>("MDLParkingTile"),
      entry<MDLParkingTenantTile>("MDLParkingTenantTile"),
      entry<MDLParkingTileList>("MDLParkingTileList"),
      entry<MDLVisitorGlobalTile>("MDLVisitorGlobalTile"),
      entry<MDLVisitorTenantTile>("MDLVisitorTenantTile"),
      entry<MDLVisitorTileList>("MDLVisitorTileList"),
      entry<MDLFacilityDashboard>("MDLFacilityDashboard"),
      entry<MDLOccupancy>("MDLOccupancy"),
      entry<MDLIdentity>("MDLIdentity"),
      entry<MDLAllottedParkingTileList>("MDLAllottedParkingTileList"),
      entry<MDLAllotedFacility>("MDLAllotedFacility"),
      entry<MDLComplainCount>("MDLComplainCount"),
      entry<MDLEmployee>("MDLEmployee"),
      entry<MDLManageFacility>("MDLManageFacility"),
      entry<MDLBaseAssignFloor>("MDLBaseAssignFloor"),
      entry<MDLTwoWheeler>("MDLTwoWheeler"),
      entry<MDLFourWheeler>("MDLFourWheeler"),
      entry<MDLBaseAssignAccessBuilding>("MDLBaseAssignAccessBuilding"),
      entry<MDLBaseAssignAccess>("MDLBaseAssignAccess"),
      entry<MDLVisitoryCategory>("MDLVisitoryCategory"),
      entry<DefaultUpList>("DefaultUpList"),
      entry<DefaultDownList>("DefaultDownList"),
      entry<MDLBaseVisitor>("MDLBaseVisitor"),
      entry<MDLVisitorBuilding>("MDLVisitorBuilding"),
      entry<ComplainCategory>("ComplainCategory"),
      entry<MDLComplainCategory>("MDLComplainCategory"),
      entry<MDLComplain>("MDLComplain"),
      entry<MDLComplainList>("MDLComplainList"),
      entry<MDLCloseComplain>("MDLCloseComplain"),
      entry<MDLCloseComplainList>("MDLCloseComplainList"),
      entry<MDLCloseComplainGet>("MDLCloseComplainGet"),
      entry<MDLMyTaskCount>("MDLMyTaskCount"),
      entry<SubPlaces>("SubPlaces"),
      entry<Places>("Places"),
      entry<FilterData>("FilterData"),
      entry<MDLFilterList>("MDLFilterList"),
      entry<EmployeeDetailsModel>("EmployeeDetailsModel"),
      entry<VehicleDetailsModel>("VehicleDetailsModel"),
      entry<BroadCastNotificationListModel>("BroadCastNotificationListModel"),
      entry<BroadCastNotificationModel>("BroadCastNotificationModel"),
  };
  return entries;
}

const RecordEntry* RecordRegistry::find(std::string_view name) {
  for (const RecordEntry& e : decodable()) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace wire
