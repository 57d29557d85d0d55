#include "Facility/Models/MDLVerifySecurity.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLVerifySecurity>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVerifySecurity", {
        field<&MDLVerifySecurity::IsSuccess>("IsSuccess"),
        field<&MDLVerifySecurity::IsPasswordSet>("IsPasswordSet"),
        field<&MDLVerifySecurity::Message>("Message"),
        field<&MDLVerifySecurity::Username>("Username"),
        field<&MDLVerifySecurity::EmailId>("EmailId"),
      },
      {"IsSuccess", "Message", "IsPasswordSet", "Username", "EmailId"});
    return t;
  }();
  return table;
}
