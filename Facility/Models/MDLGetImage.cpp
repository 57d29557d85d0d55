#include "Facility/Models/MDLGetImage.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLGetImage>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLGetImage", {
        field<&MDLGetImage::isSuccess>("IsSuccess"),
        field<&MDLGetImage::message>("Message"),
        field<&MDLGetImage::docImage>("DocImage"),
      });
    return t;
  }();
  return table;
}
