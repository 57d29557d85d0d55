#include "Facility/Models/MDLComplainCategory.h"

#include <nlohmann/json.hpp>

using wire::field;

const wire::RecordType& wire::RecordTraits<ComplainCategory>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("ComplainCategory", {
        field<&ComplainCategory::categoryID>("ID"),
        field<&ComplainCategory::categoryName>("Name"),
      });
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& rec = *static_cast<const ComplainCategory*>(r);
      out["isSelected"] = rec.isSelected;
    };
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLComplainCategory>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLComplainCategory", {
        field<&MDLComplainCategory::FTID>("FTID"),
        field<&MDLComplainCategory::isSuccess>("IsSuccess"),
        field<&MDLComplainCategory::message>("Message"),
        field<&MDLComplainCategory::arrComplainCategory>("lstComplainCategory"),
      });
    return t;
  }();
  return table;
}
