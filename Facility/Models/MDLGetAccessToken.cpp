#include "Facility/Models/MDLGetAccessToken.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLGetAccessToken>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLGetAccessToken", {
        field<&MDLGetAccessToken::isSuccess>("IsSuccess"),
        field<&MDLGetAccessToken::message>("Message"),
        field<&MDLGetAccessToken::messageCode>("MessageCode"),
        field<&MDLGetAccessToken::access_token>("access_token"),
        field<&MDLGetAccessToken::refresh_token>("refresh_token"),
      });
    return t;
  }();
  return table;
}
