#include "Facility/Models/NotificationCountModel.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<NotificationCountModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("NotificationCountModel", {
        field<&NotificationCountModel::total>("Total"),
        field<&NotificationCountModel::isSuccess>("IsSuccess"),
        field<&NotificationCountModel::message>("Message"),
      });
    return t;
  }();
  return table;
}
