#include "Facility/Models/MDLGetVersion.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLGetVersion>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLGetVersion", {
        field<&MDLGetVersion::isSuccess>("IsSuccess"),
        field<&MDLGetVersion::message>("Message"),
        field<&MDLGetVersion::iosVesion>("MessageCode"),
        field<&MDLGetVersion::title>("access_token"),
        field<&MDLGetVersion::updateMessage>("refresh_token"),
        field<&MDLGetVersion::version>("version"),
      });
    return t;
  }();
  return table;
}
