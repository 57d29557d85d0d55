#include "Facility/Models/BroadCastNotificationModel.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<BroadCastNotificationListModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("BroadCastNotificationListModel", {
        field<&BroadCastNotificationListModel::fromData>("FromData"),
        field<&BroadCastNotificationListModel::messageBody>("MessageBody"),
        field<&BroadCastNotificationListModel::notifications>("Notifications"),
        field<&BroadCastNotificationListModel::sentDate>("SentDate"),
        field<&BroadCastNotificationListModel::sentTime>("SentTime"),
        field<&BroadCastNotificationListModel::broadCastMasterID>("BroadCastMasterID"),
        field<&BroadCastNotificationListModel::audienceViewerID>("AudienceViewerID"),
        field<&BroadCastNotificationListModel::viewed>("VIEWED"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<BroadCastNotificationModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("BroadCastNotificationModel", {
        field<&BroadCastNotificationModel::isSuccess>("IsSuccess"),
        field<&BroadCastNotificationModel::message>("Message"),
        field<&BroadCastNotificationModel::broadCastNotificationList>("BroadCastNotificationList"),
      });
    return t;
  }();
  return table;
}
