#include "Facility/Models/RecordEncoder.h"

#include <nlohmann/json.hpp>

#include "Platform/Foundation/JsonText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wire {

nlohmann::ordered_json RecordEncoder::encode(const RecordType& type, const void* record,
                                             bool withLocals) {
  nlohmann::ordered_json out = nlohmann::ordered_json::object();
  for (std::uint8_t index : type.keyOrder) {
    const FieldDesc& f = type.fields[index];
    const void* m = f.memberOf(record);
    const std::string key(f.key);
    switch (f.kind) {
      case FieldKind::kText:
        if (const auto& v = *static_cast<const std::optional<std::string>*>(m)) out[key] = *v;
        break;
      case FieldKind::kRequiredText: out[key] = *static_cast<const std::string*>(m); break;
      case FieldKind::kBoolean:
        if (const auto& v = *static_cast<const std::optional<bool>*>(m)) out[key] = *v;
        break;
      case FieldKind::kInteger:
        if (const auto& v = *static_cast<const std::optional<std::int64_t>*>(m)) out[key] = *v;
        break;
      case FieldKind::kTextList:
        if (const auto& v = *static_cast<const std::optional<std::vector<std::string>>*>(m)) {
          out[key] = *v;
        }
        break;
      case FieldKind::kRecord:
        if (f.ops->present(m)) out[key] = encode(f.child(), f.ops->at(m, 0), withLocals);
        break;
      case FieldKind::kRecordList:
        if (f.ops->present(m)) {
          nlohmann::ordered_json list = nlohmann::ordered_json::array();
          const std::size_t n = f.ops->size(m);
          for (std::size_t i = 0; i < n; ++i) {
            const void* element = f.ops->at(m, i);
            list.push_back(element ? encode(f.child(), element, withLocals) : nullptr);
          }
          out[key] = std::move(list);
        }
        break;
    }
  }
  if (withLocals && type.describeLocals) {
    nlohmann::ordered_json locals = nlohmann::ordered_json::object();
    type.describeLocals(record, locals);
    out[kLocalKey] = std::move(locals);
  }
  return out;
}

std::string RecordEncoder::encodeText(const RecordType& type, const void* record) {
  return platform::JsonText::dump(encode(type, record, false));
}

}  // namespace wire
