#include "Facility/Models/RecordType.h"

#include <cstdio>
#include <cstdlib>

namespace wire {

namespace {

[[noreturn]] void badTable(std::string_view record, std::string_view why, std::string_view key) {
  std::fprintf(stderr, "wire record table %.*s: %.*s \"%.*s\"\n", static_cast<int>(record.size()),
               record.data(), static_cast<int>(why.size()), why.data(),
               static_cast<int>(key.size()), key.data());
  std::abort();
}

// Field indices in the order the keys are listed; identity when none are.
std::vector<std::uint8_t> orderOf(std::string_view record, const std::vector<FieldDesc>& fields,
                                  std::initializer_list<std::string_view> keys) {
  std::vector<std::uint8_t> order;
  if (keys.size() == 0) {
    for (std::size_t i = 0; i < fields.size(); ++i) order.push_back(static_cast<std::uint8_t>(i));
    return order;
  }
  if (keys.size() != fields.size()) badTable(record, "order does not list every key, near", *keys.begin());
  std::vector<bool> used(fields.size(), false);
  for (std::string_view key : keys) {
    std::size_t i = 0;
    while (i < fields.size() && fields[i].key != key) ++i;
    if (i == fields.size()) badTable(record, "order names an unknown key", key);
    if (used[i]) badTable(record, "order repeats key", key);
    used[i] = true;
    order.push_back(static_cast<std::uint8_t>(i));
  }
  return order;
}

}  // namespace

RecordType makeRecordType(std::string_view name, std::vector<FieldDesc> fields,
                          std::initializer_list<std::string_view> keyOrder,
                          std::initializer_list<std::string_view> readOrder) {
  // The decoder tracks met keys in a 64-bit mask.
  if (fields.size() > 64) badTable(name, "too many fields, first", fields.front().key);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    for (std::size_t j = i + 1; j < fields.size(); ++j) {
      if (fields[i].key == fields[j].key) badTable(name, "binds a key twice:", fields[i].key);
    }
  }
  RecordType t;
  t.name = name;
  t.keyOrder = orderOf(name, fields, keyOrder);
  std::vector<std::uint8_t> read = orderOf(name, fields, readOrder);
  t.readRank.assign(fields.size(), 0);
  for (std::size_t rank = 0; rank < read.size(); ++rank) {
    t.readRank[read[rank]] = static_cast<std::uint8_t>(rank);
  }
  t.fields = std::move(fields);
  return t;
}

}  // namespace wire
