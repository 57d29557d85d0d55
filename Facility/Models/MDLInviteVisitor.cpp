#include "Facility/Models/MDLInviteVisitor.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLInviteVisitor>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLInviteVisitor", {
        field<&MDLInviteVisitor::isSuccess>("IsSuccess"),
        field<&MDLInviteVisitor::message>("Message"),
      });
    return t;
  }();
  return table;
}
