#include "Facility/Network/ReplayTable.h"

#include "Facility/Models/BroadCastNotificationModel.h"
#include "Facility/Models/GeneralResponseModel.h"
#include "Facility/Models/MDLAllotedFacility.h"
#include "Facility/Models/MDLAssignAccess.h"
#include "Facility/Models/MDLBaseAssignAccess.h"
#include "Facility/Models/MDLBaseFacility.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLCloseComplainGet.h"
#include "Facility/Models/MDLCloseComplainList.h"
#include "Facility/Models/MDLCloseComplainSave.h"
#include "Facility/Models/MDLComplainCategory.h"
#include "Facility/Models/MDLComplainCount.h"
#include "Facility/Models/MDLComplainList.h"
#include "Facility/Models/MDLFacilityDashboard.h"
#include "Facility/Models/MDLForgotPassword.h"
#include "Facility/Models/MDLGetImage.h"
#include "Facility/Models/MDLGetVersion.h"
#include "Facility/Models/MDLInitApi.h"
#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Models/MDLLogin.h"
#include "Facility/Models/MDLLogout.h"
#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Models/MDLResetPassword.h"
#include "Facility/Models/MDLSetPassword.h"
#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Models/MDLVerifySecurity.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Models/WireRecordJson.h"
#include "Platform/Foundation/JsonText.h"

namespace {

template <class R>
struct Tag {
  using Record = R;
};

// Calls fn with the Tag of the endpoint's record; false for none.
template <class Fn>
bool withRecord(APIName::Case c, Fn&& fn) {
  using C = APIName::Case;
  switch (c) {
    case C::FacilityAdminDashboard: fn(Tag<MDLFacilityDashboard>{}); return true;
    case C::BaseAssignAccess: fn(Tag<MDLBaseAssignAccess>{}); return true;
    case C::GetVersion: fn(Tag<MDLGetVersion>{}); return true;
    case C::Logout: fn(Tag<MDLLogout>{}); return true;
    case C::RemoveToken: fn(Tag<MDLLogout>{}); return true;
    case C::SetPassword: fn(Tag<MDLSetPassword>{}); return true;
    case C::ForgotPassword: fn(Tag<MDLForgotPassword>{}); return true;
    case C::ResetPassword: fn(Tag<MDLResetPassword>{}); return true;
    case C::GetImage: fn(Tag<MDLGetImage>{}); return true;
    case C::AuthenticateUser: fn(Tag<MDLLogin>{}); return true;
    case C::BaseFacility: fn(Tag<MDLBaseFacility>{}); return true;
    case C::UserDashboard: fn(Tag<MDLUserDashboard>{}); return true;
    case C::BaseVisitor: fn(Tag<MDLBaseVisitor>{}); return true;
    case C::InviteVisitor: fn(Tag<MDLInviteVisitor>{}); return true;
    case C::AllotedFacility: fn(Tag<MDLAllotedFacility>{}); return true;
    case C::ManageFacility: fn(Tag<MDLManageFacility>{}); return true;
    case C::AssignAccess: fn(Tag<MDLAssignAccess>{}); return true;
    case C::initApi: fn(Tag<MDLInitApi>{}); return true;
    case C::VerifySecurityCode: fn(Tag<MDLVerifySecurity>{}); return true;
    case C::FindVehicleNumber: fn(Tag<VehicleDetailsModel>{}); return true;
    case C::SendNotification: fn(Tag<GeneralResponseModel>{}); return true;
    case C::GetBroadCastNotification: fn(Tag<BroadCastNotificationModel>{}); return true;
    case C::BroadCastNotificationCount: fn(Tag<NotificationCountModel>{}); return true;
    case C::ComplainCount: fn(Tag<MDLComplainCount>{}); return true;
    case C::ComplainCategory: fn(Tag<MDLComplainCategory>{}); return true;
    case C::ComplainSave: fn(Tag<MDLInviteVisitor>{}); return true;
    case C::ComplainList: fn(Tag<MDLComplainList>{}); return true;
    case C::MyTaskCount: fn(Tag<MDLMyTaskCount>{}); return true;
    case C::CloseComplainList: fn(Tag<MDLCloseComplainList>{}); return true;
    case C::CloseComplainGet: fn(Tag<MDLCloseComplainGet>{}); return true;
    case C::CloseComplainSave: fn(Tag<MDLCloseComplainSave>{}); return true;
    case C::GetAccessToken: return false;
  }
  return false;
}

}  // namespace

std::optional<std::string_view> ReplayTable::recordName(APIName::Case apiCase) {
  std::optional<std::string_view> name;
  withRecord(apiCase, [&](auto tag) { name = wire::RecordTraits<typename decltype(tag)::Record>::type().name; });
  return name;
}

std::optional<std::string> ReplayTable::describeReply(APIName::Case apiCase, const std::string& body) {
  std::optional<std::string> out;
  withRecord(apiCase, [&](auto tag) {
    using R = typename decltype(tag)::Record;
    auto decoded = wire::decode<R>(body);
    if (!decoded.ok()) return;
    if constexpr (wire::RecordTraits<R>::shared) {
      out = platform::JsonText::dump(wire::describe(*decoded.value()));
    } else {
      out = platform::JsonText::dump(wire::describe(decoded.value()));
    }
  });
  return out;
}

std::optional<std::string> ReplayTable::replyLogPrefix(APIName::Case apiCase) {
  if (apiCase == APIName::Case::UserDashboard) return std::string("user dashboard response: ");
  if (apiCase == APIName::Case::BaseVisitor) return std::string("base visitor response: ");
  return std::nullopt;
}
