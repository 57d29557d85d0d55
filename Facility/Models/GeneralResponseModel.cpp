#include "Facility/Models/GeneralResponseModel.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<GeneralResponseModel>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("GeneralResponseModel", {
        field<&GeneralResponseModel::isSuccess>("IsSuccess"),
        field<&GeneralResponseModel::message>("Message"),
      });
    return t;
  }();
  return table;
}
